#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resource_format/midi_file.hpp"
#include "resource_format/wave_file.hpp"

namespace qz {

// A DMSEG resource decoded, ready for any output: a Standard MIDI File for a
// synthesizer, or the frames of a WAVE recording.
struct Sound {
  enum class Kind { midi, wave };
  Kind kind = Kind::midi;
  std::string midi_file;                    // the file's bytes, for players that take a file
  MidiSequence midi;                        // its events, for players that take events
  int midi_key = 0;                         // the key of its first note, 0 when it has none
  std::vector<std::int16_t> stereo_frames;  // interleaved left, right at kSampleRate
};

// Decodes a DMSEG resource. Throws std::runtime_error naming what is wrong:
// neither MIDI nor WAVE, a MIDI file whose chunks do not hold together (a
// synthesizer would take it silently), or a WAVE recording that is not
// 16-bit PCM at kSampleRate or whose chunks do not fill the file.
Sound decode_sound(std::string bytes);

// What decode_sound() would refuse in these bytes, or nothing: the build's
// check of every sound a module carries.
std::optional<std::string> sound_problem(std::string_view bytes);

}  // namespace qz
