#pragma once

#include <span>

#include "banks/module_questions.hpp"

namespace qz::banks {

// The theorie bank in row order: element 0 is row 1.
std::span<const ThreeAnswerRow> theorie_rows();

namespace theorie {

void tirer_question(Form_jeu& form, UniformSource& random, Module_questions& module_questions);

}  // namespace theorie

}  // namespace qz::banks
