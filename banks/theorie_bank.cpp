#include "banks/theorie_bank.hpp"

namespace qz::banks {
namespace {

// clang-format off
constexpr ThreeAnswerRow kRows[] = {
#include "banks/theorie_rows.inc"
};
// clang-format on

}  // namespace

std::span<const ThreeAnswerRow> theorie_rows() { return kRows; }

namespace theorie {

void tirer_question(Form_jeu& form, UniformSource& random, Module_questions& module_questions) {
  form.Label_image.Caption = "100";
  form.Label_musiques_sons.Caption = "non";
  show_three_answer_row(form, module_questions.draw_row(theorie_rows(), random));
  masquer_reponse4(form);
}

}  // namespace theorie

}  // namespace qz::banks
