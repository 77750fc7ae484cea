#include "banks/bank_layouts.hpp"

#include <array>

#include "shell/question_labels.hpp"

namespace qz::banks {
namespace {

using F = Form_jeu;

// clang-format off
constexpr std::array kInstrumentsLabels = {
    LabelSpec{&F::Label_musiques_sons, "", {210, 4470, 5235, 465}},
    LabelSpec{&F::Label_timer, "", {2250, 6990, 555, 435}},
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
const WindowLayout instruments::window_layout{{1140, 1590, 8790, 8235}, kQuestionLabels, kInstrumentsLabels, kInstrumentsButtons, &kInstrumentsTimer};
const WindowLayout theorie::window_layout{{1140, 1590, 8790, 8235}, kQuestionLabels, kTheorieLabels, {}, nullptr};
const WindowLayout oeuvres::window_layout{{1650, 4035, 6555, 5715}, kQuestionLabels, kLabelsOnly, {}, nullptr};
const WindowLayout portraits::window_layout{{2370, 3660, 6555, 5715}, kQuestionLabels, kLabelsOnly, {}, nullptr};
// clang-format on

}  // namespace qz::banks
