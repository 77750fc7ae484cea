#include "banks/portraits_bank.hpp"

#include <string>

namespace qz::banks {
namespace {

// clang-format off
constexpr PortraitRow kRows[] = {
#include "banks/portraits_rows.inc"
};
// clang-format on

constexpr int kFirstPicture = 100;  // row n shows picture 100 + n

}  // namespace

std::span<const PortraitRow> portraits_rows() { return kRows; }

namespace portraits {

void tirer_question(Form_jeu& form, UniformSource& random, Module_questions& module_questions) {
  form.Label_musiques_sons.Caption = "non";
  const PortraitRow& row = module_questions.draw_row(portraits_rows(), random);
  form.Label_image.Caption =
      std::to_string(kFirstPicture + module_questions.current_question_number);
  form.Label_question.Caption = "Ce portrait est celui de :";
  form.Label_reponse1.Caption = row.answers[0];
  form.Label_reponse2.Caption = row.answers[1];
  form.Label_reponse3.Caption = row.answers[2];
  form.Label_reponse4.Caption = row.answers[3];
  form.Label_Bonne_reponse.Caption = row.correct;
}

std::vector<ResourceEntry> resources() {
  std::vector<ResourceEntry> entries;
  for (int row = 1; row <= static_cast<int>(portraits_rows().size()); ++row) {
    const std::string picture = std::to_string(kFirstPicture + row);
    entries.push_back({"IMAGES", picture, "portraits/" + picture + ".jpg", ""});
  }
  return entries;
}

}  // namespace portraits
}  // namespace qz::banks
