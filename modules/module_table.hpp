#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "note_reading/variants.hpp"
#include "resource_format/asset_list.hpp"
#include "shell/module.hpp"

namespace qz::modules {

// The five kinds of module: each brings its window, its generator or bank,
// and the resources of its own.
enum class Kind { notes, oeuvres, theorie, portraits, instruments };

// One module, as modules/modules.tsv lists it.
struct ModuleRow {
  std::string_view name;     // "treble7": its literal in small letters, without ".exe"
  std::string_view literal;  // "Treble7.exe": field 9 and the module file's name
  Kind kind;
  std::optional<note_reading::NoteVariant> notes;  // the note modules'
  std::optional<Countdown> countdown;              // the modules with sound
  std::string_view title;  // "Lecture de notes, clé de sol, niveau 7", UTF-8
};

// Every module, in the table's order.
std::span<const ModuleRow> module_table();

// The row of module `name` ("treble7"); throws std::out_of_range naming it.
const ModuleRow& module_row(std::string_view name);

// The module as it runs: its row's literal and countdown, its kind's window
// and generator.
ModuleDescriptor descriptor(const ModuleRow& row);
ModuleDescriptor descriptor(std::string_view name);

// The pictures and sounds the module carries besides the resources every
// module carries (common_resources()).
std::vector<ResourceEntry> own_resources(const ModuleRow& row);

}  // namespace qz::modules
