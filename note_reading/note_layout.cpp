#include "note_reading/note_layout.hpp"

#include <array>

#include "shell/question_labels.hpp"

namespace qz::note_reading {
namespace {

using F = Form_jeu;

// clang-format off
constexpr std::array kNoteLabels = {
    LabelSpec{&F::Label_musiques_sons, "", {240, 4380, 3195, 375}},
    LabelSpec{&F::Label_do,  "do",  {300, 5460, 495, 615}},
    LabelSpec{&F::Label_re,  "re",  {960, 5460, 555, 615}},
    LabelSpec{&F::Label_mi,  "mi",  {1680, 5460, 555, 615}},
    LabelSpec{&F::Label_fa,  "fa",  {2340, 5460, 555, 615}},
    LabelSpec{&F::Label_sol, "sol", {3000, 5460, 555, 615}},
    LabelSpec{&F::Label_la,  "la",  {3660, 5460, 555, 615}},
    LabelSpec{&F::Label_si,  "si",  {4320, 5460, 555, 615}},
    LabelSpec{&F::Label_timer, "", {1980, 7140, 555, 435}},
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
// clang-format on

}  // namespace

const WindowLayout window_layout{
    {5460, 1590, 8790, 8235}, kQuestionLabels, kNoteLabels, kNoteButtons, &kNoteTimer};

}  // namespace qz::note_reading
