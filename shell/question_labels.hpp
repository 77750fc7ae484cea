#pragma once

#include <array>

#include "shell/form.hpp"

namespace qz {

// clang-format off
// The question labels every kind of window has, at the same places; each
// kind adds Label_musiques_sons where it puts it, and its own controls.
inline constexpr std::array kQuestionLabels = {
    LabelSpec{&Form_jeu::Label_question,      "", {90, 180, 6225, 555}},
    LabelSpec{&Form_jeu::Label_reponse1,      "", {90, 900, 6225, 375}},
    LabelSpec{&Form_jeu::Label_reponse2,      "", {90, 1350, 6315, 375}},
    LabelSpec{&Form_jeu::Label_reponse3,      "", {90, 1800, 6315, 375}},
    LabelSpec{&Form_jeu::Label_reponse4,      "", {90, 2250, 6405, 375}},
    LabelSpec{&Form_jeu::Label_Bonne_reponse, "", {90, 2700, 6315, 465}},
    LabelSpec{&Form_jeu::Label_numero4,       "", {90, 3240, 6405, 375}},
    LabelSpec{&Form_jeu::Label_image,         "", {180, 3780, 5235, 465}},
};
// clang-format on

}  // namespace qz
