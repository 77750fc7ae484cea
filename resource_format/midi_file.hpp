#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace qz {

// One event of a Standard MIDI File that a player needs, at its time in
// ticks from the start: a channel message (status and up to two data bytes,
// packed as the Windows MIDI functions take them: status in the low byte) or
// a tempo change (microseconds per quarter note).
struct MidiEvent {
  enum class Kind { channel_message, tempo };
  std::uint32_t tick = 0;
  Kind kind = Kind::channel_message;
  std::uint32_t value = 0;
};

// The events of all tracks merged in time order (events at the same tick
// keep their file order, earlier tracks first); other meta events and system
// exclusive messages are dropped.
struct MidiSequence {
  int ticks_per_quarter = 0;
  std::vector<MidiEvent> events;
};

// Reads a Standard MIDI File; throws std::runtime_error naming what is
// wrong ("MIDI track 2 runs past the end of the file", ...).
MidiSequence parse_midi(std::string_view bytes);

}  // namespace qz
