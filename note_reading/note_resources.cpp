#include "note_reading/note_resources.hpp"

#include <array>

#include "resource_format/resource_names.hpp"

namespace qz::note_reading {
namespace {

constexpr std::uint8_t kKey = 0;  // replaced by the note's key

// clang-format off
constexpr std::array<std::uint8_t, 65> kNoteTemplate = {
    'M', 'T', 'h', 'd', 0x00, 0x00, 0x00, 0x06,  // header chunk, length 6
    0x00, 0x01,                                  // format 1
    0x00, 0x02,                                  // two tracks
    0x00, 0xF0,                                  // 240 ticks per quarter note
    'M', 'T', 'r', 'k', 0x00, 0x00, 0x00, 0x13,  // tempo track, length 19
    0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,  // 4/4, 24 clocks per click, 8 32nds per quarter
    0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0,    // 600000 us per quarter note
    0x00, 0xFF, 0x2F, 0x00,                      // end of track
    'M', 'T', 'r', 'k', 0x00, 0x00, 0x00, 0x10,  // note track, length 16
    0x00, 0xC0, 0x00,                            // channel 1: acoustic grand piano
    0x00, 0x90, kKey, 0x50,                      // note on, velocity 80
    0x86, 0x00, 0x80, kKey, 0x40,                // 768 ticks later: note off, velocity 64
    0x00, 0xFF, 0x2F, 0x00,                      // end of track
};
// clang-format on

}  // namespace

std::string note_sound(int key) {
  std::string bytes(kNoteTemplate.begin(), kNoteTemplate.end());
  bytes[kNoteOnKeyOffset] = static_cast<char>(key);
  bytes[kNoteOffKeyOffset] = static_cast<char>(key);
  return bytes;
}

std::vector<ResourceEntry> note_resources(const NoteVariant& variant) {
  const std::string folder = variant.clef == Clef::treble ? "staff/treble/" : "staff/bass/";
  std::vector<ResourceEntry> entries;
  for (int position = variant.lowest_carried; position <= variant.highest_carried; ++position) {
    const std::string name = position_name(variant.clef, position);
    entries.push_back({"IMAGES", name, folder + upper_case(name) + ".jpg", ""});
    entries.push_back(
        {"DMSEG", name, "", note_sound(midi_key_of_position(variant.clef, position))});
  }
  return entries;
}

}  // namespace qz::note_reading
