#pragma once

#include <span>

#include <vector>

#include "banks/module_questions.hpp"
#include "resource_format/asset_list.hpp"

namespace qz::banks {

// The portraits bank in row order: element 0 is row 1, showing picture 101.
std::span<const PortraitRow> portraits_rows();

namespace portraits {

void tirer_question(Form_jeu& form, UniformSource& random, Module_questions& module_questions);

// Picture 100 + n for each row n, resources/portraits/<100 + n>.jpg: a real
// likeness or a drawn portrait, both made by tools/make_portraits.py.
std::vector<ResourceEntry> resources();

}  // namespace portraits
}  // namespace qz::banks
