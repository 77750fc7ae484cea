#pragma once

#include <string>
#include <vector>

#include "note_reading/variants.hpp"
#include "resource_format/asset_list.hpp"

namespace qz::note_reading {

// The 65-byte Standard MIDI File that plays one piano note of MIDI key `key`
// for 1.92 s: a tempo track and a note track, 240 ticks per quarter at
// 600000 us per quarter, the note held 768 ticks.
std::string note_sound(int key);

// The offsets of the key byte in note_sound(): note on and note off.
inline constexpr std::size_t kNoteOnKeyOffset = 54;
inline constexpr std::size_t kNoteOffKeyOffset = 59;

// The staff picture and the note sound of every position the module carries.
std::vector<ResourceEntry> note_resources(const NoteVariant& variant);

}  // namespace qz::note_reading
