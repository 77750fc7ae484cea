#include "shell/layouts.hpp"

#include <array>

namespace qz::layouts {
namespace {

using F = Form_jeu;

// clang-format off
// The question labels every module has, at the same places; each kind adds
// Label_musiques_sons where it puts it, and its own controls.
constexpr std::array kQuestionLabels = {
    LabelSpec{&F::Label_question,      "", {90, 180, 6225, 555}},
    LabelSpec{&F::Label_reponse1,      "", {90, 900, 6225, 375}},
    LabelSpec{&F::Label_reponse2,      "", {90, 1350, 6315, 375}},
    LabelSpec{&F::Label_reponse3,      "", {90, 1800, 6315, 375}},
    LabelSpec{&F::Label_reponse4,      "", {90, 2250, 6405, 375}},
    LabelSpec{&F::Label_Bonne_reponse, "", {90, 2700, 6315, 465}},
    LabelSpec{&F::Label_numero4,       "", {90, 3240, 6405, 375}},
    LabelSpec{&F::Label_image,         "", {180, 3780, 5235, 465}},
};

constexpr std::array kNoteLabels = {
    LabelSpec{&F::Label_musiques_sons, "", {240, 4380, 3195, 375}},
    LabelSpec{&F::Label_do,  "do",  {300, 5460, 495, 615}},
    LabelSpec{&F::Label_re,  "re",  {960, 5460, 555, 615}},
    LabelSpec{&F::Label_mi,  "mi",  {1680, 5460, 555, 615}},
    LabelSpec{&F::Label_fa,  "fa",  {2340, 5460, 555, 615}},
    LabelSpec{&F::Label_sol, "sol", {3000, 5460, 555, 615}},
    LabelSpec{&F::Label_la,  "la",  {3660, 5460, 555, 615}},
    LabelSpec{&F::Label_si,  "si",  {4320, 5460, 555, 615}},
    LabelSpec{&F::Label_timer, "5", {1980, 7140, 555, 435}},
};
constexpr std::array kNoteButtons = {
    ButtonSpec{&F::Command1, "Command1", {60, 6300, 1215, 555}},
    ButtonSpec{&F::Command2, "Command2", {1380, 6300, 1215, 555}},
    ButtonSpec{&F::Command3, "Command3", {2760, 6300, 1095, 555}},
    ButtonSpec{&F::Command4, "Command4", {4020, 6360, 1395, 495}},
    ButtonSpec{&F::Command5, "Command5", {5580, 6360, 1215, 495}},
    ButtonSpec{&F::Command_sons_musiques, "sons_musiques", {6300, 5520, 1695, 795}},
};
constexpr TimerSpec kNoteTimer{1000, 6690, 4410};

constexpr std::array kInstrumentsLabels = {
    LabelSpec{&F::Label_musiques_sons, "", {210, 4470, 5235, 465}},
    LabelSpec{&F::Label_timer, "10", {2250, 6990, 555, 435}},
};
constexpr std::array kInstrumentsButtons = {
    ButtonSpec{&F::Command_sons_musiques, "Command1", {1230, 5640, 1695, 795}},
};
constexpr TimerSpec kInstrumentsTimer{1000, 4080, 5880};

constexpr std::array kTheorieLabels = {
    LabelSpec{&F::Label_musiques_sons, "", {210, 4470, 5235, 465}},
    LabelSpec{&F::Label_timer, "10", {6660, 5970, 555, 435}},
};

constexpr std::array kLabelsOnly = {
    LabelSpec{&F::Label_musiques_sons, "", {240, 4980, 3195, 375}},
};
// clang-format on

}  // namespace

// clang-format off
const WindowLayout note_reading{{5460, 1590, 8790, 8235}, kQuestionLabels, kNoteLabels, kNoteButtons, &kNoteTimer};
const WindowLayout instruments{{1140, 1590, 8790, 8235}, kQuestionLabels, kInstrumentsLabels, kInstrumentsButtons, &kInstrumentsTimer};
const WindowLayout theorie{{1140, 1590, 8790, 8235}, kQuestionLabels, kTheorieLabels, {}, nullptr};
const WindowLayout oeuvres{{1650, 4035, 6555, 5715}, kQuestionLabels, kLabelsOnly, {}, nullptr};
const WindowLayout portraits{{2370, 3660, 6555, 5715}, kQuestionLabels, kLabelsOnly, {}, nullptr};
// clang-format on

}  // namespace qz::layouts
