#include "banks/module_questions.hpp"

#include <memory>

namespace qz::banks {

void masquer_reponse4(Form_jeu& form) {
  form.Label_reponse4.Caption.clear();
  form.Label_reponse4.Visible = false;
  form.Label_numero4.Visible = false;
}

void show_three_answer_row(Form_jeu& form, const ThreeAnswerRow& row) {
  form.Label_question.Caption = row.question;
  form.Label_reponse1.Caption = row.answers[0];
  form.Label_reponse2.Caption = row.answers[1];
  form.Label_reponse3.Caption = row.answers[2];
  form.Label_Bonne_reponse.Caption = row.correct;
}

Generator bank_generator(TirerQuestion tirer_question) {
  auto module_questions = std::make_shared<Module_questions>();
  Generator generator;
  generator.run = [tirer_question, module_questions](Form_jeu& form, UniformSource& random) {
    tirer_question(form, random, *module_questions);
  };
  return generator;
}

}  // namespace qz::banks
