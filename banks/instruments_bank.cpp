#include "banks/instruments_bank.hpp"

#include <string>

#include "resource_format/resource_names.hpp"

namespace qz::banks {
namespace {

// clang-format off
constexpr InstrumentRow kRows[] = {
#include "banks/instruments_rows.inc"
};
// clang-format on

void show_four_answers(Form_jeu& form, const InstrumentRow& row) {
  form.Label_question.Caption = row.question;
  form.Label_reponse1.Caption = row.answers[0];
  form.Label_reponse2.Caption = row.answers[1];
  form.Label_reponse3.Caption = row.answers[2];
  form.Label_reponse4.Caption = row.answers[3];
}

}  // namespace

std::span<const InstrumentRow> instruments_rows() { return kRows; }

namespace instruments {

void tirer_question(Form_jeu& form, UniformSource& random, Module_questions& module_questions) {
  form.Label_image.Caption = "100";
  form.Label_musiques_sons.Caption = "non";
  const InstrumentRow& row = module_questions.draw_row(instruments_rows(), random);
  if (!row.picture.empty()) {
    form.Label_image.Caption = row.picture;
    show_four_answers(form, row);
    form.Label_Bonne_reponse.Caption = row.correct;
  } else if (!row.sound.empty()) {
    show_four_answers(form, row);
    form.Label_Bonne_reponse.Caption = row.correct;
    form.Label_musiques_sons.Caption = row.sound;
  } else {
    form.Label_question.Caption = row.question;
    form.Label_reponse1.Caption = row.answers[0];
    form.Label_reponse2.Caption = row.answers[1];
    form.Label_reponse3.Caption = row.answers[2];
    masquer_reponse4(form);
    form.Label_Bonne_reponse.Caption = row.correct;
  }
}

std::vector<ResourceEntry> resources() {
  std::vector<ResourceEntry> entries;
  for (const InstrumentRow& row : instruments_rows()) {
    if (!row.picture.empty()) {
      entries.push_back({"IMAGES", std::string(row.picture),
                         "instruments/pictures/" + upper_case(row.picture) + ".jpg", ""});
    }
    if (!row.sound.empty()) {
      entries.push_back({"DMSEG", std::string(row.sound),
                         "instruments/sounds/" + upper_case(row.sound) + ".wav", ""});
    }
  }
  return entries;
}

}  // namespace instruments
}  // namespace qz::banks
