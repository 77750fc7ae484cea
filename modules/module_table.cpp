#include "modules/module_table.hpp"

#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <string>

#include "banks/bank_layouts.hpp"
#include "banks/instruments_bank.hpp"
#include "banks/oeuvres_bank.hpp"
#include "banks/portraits_bank.hpp"
#include "banks/theorie_bank.hpp"
#include "note_reading/generator.hpp"
#include "note_reading/note_layout.hpp"
#include "note_reading/note_resources.hpp"

namespace qz::modules {
namespace {

using note_reading::Clef;
using note_reading::NoteVariant;

// clang-format off
constexpr ModuleRow kRows[] = {
#include "modules/module_rows.inc"  // made by the build from modules/modules.tsv
};
// clang-format on

const NoteVariant& notes_of(const ModuleRow& row) {
  if (!row.notes) {
    throw std::logic_error(std::string(row.literal) + " is a note module without clef or range");
  }
  return *row.notes;
}

Generator note_generator_of(const ModuleRow& row) {
  const NoteVariant& notes = notes_of(row);
  return note_reading::note_generator(
      notes.clef, position_table(notes.clef, notes.lowest_asked, notes.highest_asked));
}

std::vector<ResourceEntry> note_resources_of(const ModuleRow& row) {
  return note_reading::note_resources(notes_of(row));
}

template <banks::TirerQuestion tirer_question>
Generator bank_generator_of(const ModuleRow& /*row*/) {
  return banks::bank_generator(tirer_question);
}

std::vector<ResourceEntry> no_resources(const ModuleRow& /*row*/) { return {}; }

template <std::vector<ResourceEntry> (*resources)()>
std::vector<ResourceEntry> bank_resources(const ModuleRow& /*row*/) {
  return resources();
}

// What each kind brings.
struct KindParts {
  Kind kind = Kind::notes;
  const WindowLayout* window = nullptr;
  Generator (*generator)(const ModuleRow&) = nullptr;
  std::vector<ResourceEntry> (*resources)(const ModuleRow&) = nullptr;
  std::optional<Sound::Kind> sounds;  // what its sounds are, if it has any
};

// clang-format off
constexpr KindParts kKinds[] = {
    {Kind::notes, &note_reading::window_layout,
     note_generator_of, note_resources_of, Sound::Kind::midi},
    {Kind::oeuvres, &banks::oeuvres::window_layout,
     bank_generator_of<banks::oeuvres::tirer_question>, no_resources, std::nullopt},
    {Kind::theorie, &banks::theorie::window_layout,
     bank_generator_of<banks::theorie::tirer_question>, no_resources, std::nullopt},
    {Kind::portraits, &banks::portraits::window_layout,
     bank_generator_of<banks::portraits::tirer_question>, bank_resources<banks::portraits::resources>,
     std::nullopt},
    {Kind::instruments, &banks::instruments::window_layout,
     bank_generator_of<banks::instruments::tirer_question>, bank_resources<banks::instruments::resources>,
     Sound::Kind::wave},
};
// clang-format on

// Looked up by the kind's value: each kind at its own place, and every kind.
constexpr bool each_kind_at_its_place() {
  for (std::size_t i = 0; i < std::size(kKinds); ++i) {
    if (kKinds[i].kind != static_cast<Kind>(i)) {
      return false;
    }
  }
  return std::size(kKinds) == static_cast<std::size_t>(Kind::instruments) + 1;
}
static_assert(each_kind_at_its_place(), "kKinds lists the kinds in the order of Kind");

const KindParts& parts_of(Kind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

}  // namespace

std::span<const ModuleRow> module_table() { return kRows; }

const ModuleRow& module_row(std::string_view name) {
  for (const ModuleRow& row : kRows) {
    if (row.name == name) {
      return row;
    }
  }
  throw std::out_of_range("no module named " + std::string(name));
}

ModuleDescriptor descriptor(const ModuleRow& row) {
  const KindParts& kind = parts_of(row.kind);
  return {row.literal, kind.window, kind.generator(row), row.countdown, kind.sounds};
}

ModuleDescriptor descriptor(std::string_view name) { return descriptor(module_row(name)); }

std::vector<ResourceEntry> own_resources(const ModuleRow& row) {
  return parts_of(row.kind).resources(row);
}

}  // namespace qz::modules
