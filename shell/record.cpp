#include "shell/record.hpp"

#include <stdexcept>

#include "shell/cp1252.hpp"

namespace qz {

QuestionRecord record_from(const Form_jeu& form, std::string_view module_literal) {
  return {form.Label_question.Caption, form.Label_reponse1.Caption,
          form.Label_reponse2.Caption, form.Label_reponse3.Caption,
          form.Label_reponse4.Caption, form.Label_Bonne_reponse.Caption,
          form.Label_image.Caption,    form.Label_musiques_sons.Caption,
          std::string(module_literal)};
}

std::string encode_record(const QuestionRecord& record) {
  std::string line;
  for (std::size_t i = 0; i < record.size(); ++i) {
    const auto bytes = to_cp1252(record[i]);
    if (!bytes) {
      throw std::logic_error("field " + std::to_string(i + 1) +
                             (is_valid_utf8(record[i])
                                  ? " holds a character outside code page 1252: " + record[i]
                                  : std::string(" is not valid UTF-8")));
    }
    if (i > 0) {
      line += ',';
    }
    line += '"';
    line += *bytes;
    line += '"';
  }
  line += "\r\n";
  return line;
}

}  // namespace qz
