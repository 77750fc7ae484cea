#pragma once

#include <span>

#include "banks/module_questions.hpp"

namespace qz::banks {

// The oeuvres bank in row order: element 0 is row 1.
std::span<const ThreeAnswerRow> oeuvres_rows();

namespace oeuvres {

void tirer_question(Form_jeu& form, UniformSource& random, Module_questions& module_questions);

}  // namespace oeuvres

}  // namespace qz::banks
