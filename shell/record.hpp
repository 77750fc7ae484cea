#pragma once

#include <array>
#include <string>
#include <string_view>

#include "shell/form.hpp"

namespace qz {

inline constexpr std::string_view kExchangeFileName = "question.qzd";

// The nine fields of a question record, as UTF-8 texts: question, answers 1
// to 4, correct position, picture, sound or "non", module file name.
using QuestionRecord = std::array<std::string, 9>;

// Fields 1 to 8 from the window's labels as they stand, field 9 the
// module's own literal.
QuestionRecord record_from(const Form_jeu& form, std::string_view module_literal);

// The record's bytes on disk: every field between double quotes, unchanged,
// separated by commas, CR LF at the end, in code page 1252. A text the code
// page cannot carry is a programming error (std::logic_error), never
// written.
std::string encode_record(const QuestionRecord& record);

}  // namespace qz
