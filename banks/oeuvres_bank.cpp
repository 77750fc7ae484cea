#include "banks/oeuvres_bank.hpp"

namespace qz::banks {
namespace {

// clang-format off
constexpr ThreeAnswerRow kRows[] = {
#include "banks/oeuvres_rows.inc"
};
// clang-format on

}  // namespace

std::span<const ThreeAnswerRow> oeuvres_rows() { return kRows; }

namespace oeuvres {

void tirer_question(Form_jeu& form, UniformSource& random, Module_questions& module_questions) {
  form.Label_musiques_sons.Caption = "non";
  show_three_answer_row(form, module_questions.draw_row(oeuvres_rows(), random));
  form.Label_reponse4.Visible = false;
  form.Label_numero4.Visible = false;
  form.Label_image.Caption = "100";
  form.Label_musiques_sons.Caption = "non";
}

}  // namespace oeuvres

}  // namespace qz::banks
