#pragma once

#include <span>
#include <string_view>

#include "note_reading/notes.hpp"
#include "shell/module.hpp"

namespace qz::note_reading {

// One note-reading module: its clef, the unbroken range of positions it
// asks, and the range whose pictures and sounds it carries.
struct NoteVariant {
  std::string_view name;     // "treble7"
  std::string_view literal;  // "Treble7.exe"
  Clef clef;
  int lowest_asked;
  int highest_asked;
  int lowest_carried;
  int highest_carried;
};

std::span<const NoteVariant> note_variants();
const NoteVariant& note_variant(std::string_view name);

// The module: note window, note generator over the variant's range, sound
// pressed at 2 and played at +12 dB.
ModuleDescriptor note_module(const NoteVariant& variant);
ModuleDescriptor note_module(std::string_view name);

}  // namespace qz::note_reading
