#include "note_reading/variants.hpp"

#include <array>
#include <stdexcept>
#include <string>

#include "note_reading/generator.hpp"
#include "shell/layouts.hpp"

namespace qz::note_reading {
namespace {

// clang-format off
constexpr std::array<NoteVariant, 12> kVariants = {{
    {"treble2", "Treble2.exe", Clef::treble,  8, 15,  8, 15},
    {"treble3", "Treble3.exe", Clef::treble,  8, 19,  8, 19},
    {"treble4", "Treble4.exe", Clef::treble,  8, 22,  8, 22},
    {"treble5", "Treble5.exe", Clef::treble,  5, 22,  5, 22},
    {"treble6", "Treble6.exe", Clef::treble,  5, 29,  5, 29},
    {"treble7", "Treble7.exe", Clef::treble,  1, 29,  1, 29},
    {"bass2",   "Bass2.exe",   Clef::bass,   13, 20,  6, 23},
    {"bass3",   "Bass3.exe",   Clef::bass,   10, 20,  6, 23},
    {"bass4",   "Bass4.exe",   Clef::bass,    6, 20,  6, 23},
    {"bass5",   "Bass5.exe",   Clef::bass,    6, 23,  6, 23},
    {"bass6",   "Bass6.exe",   Clef::bass,    1, 23,  1, 23},
    {"bass7",   "Bass7.exe",   Clef::bass,    1, 29,  1, 29},
}};
// clang-format on

constexpr int kSoundPressedAt = 2;
constexpr int kNoteLevelHundredthsOfDb = 1200;

}  // namespace

std::span<const NoteVariant> note_variants() { return kVariants; }

const NoteVariant& note_variant(std::string_view name) {
  for (const NoteVariant& variant : kVariants) {
    if (variant.name == name) {
      return variant;
    }
  }
  throw std::out_of_range("no note-reading module named " + std::string(name));
}

ModuleDescriptor note_module(const NoteVariant& variant) {
  return ModuleDescriptor{
      variant.literal, &layouts::note_reading,
      note_generator(variant.clef,
                     position_table(variant.clef, variant.lowest_asked, variant.highest_asked)),
      SoundSpec{kSoundPressedAt, kNoteLevelHundredthsOfDb}};
}

ModuleDescriptor note_module(std::string_view name) { return note_module(note_variant(name)); }

}  // namespace qz::note_reading
