#pragma once

#include <span>

#include <vector>

#include "banks/module_questions.hpp"
#include "resource_format/asset_list.hpp"

namespace qz::banks {

// The instruments bank in row order: element 0 is row 1. Rows 1-32 are text
// rows, 33-73 picture rows (picture n - 32), 74-98 listening rows (sound
// n - 73).
std::span<const InstrumentRow> instruments_rows();

namespace instruments {

void tirer_question(Form_jeu& form, UniformSource& random, Module_questions& module_questions);

// The picture and the recording each row names, from resources/instruments/.
std::vector<ResourceEntry> resources();

}  // namespace instruments
}  // namespace qz::banks
