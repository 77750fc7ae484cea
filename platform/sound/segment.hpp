#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qz::platform {

// A sound resource ready to play: a Standard MIDI File for the synthesizer,
// or the frames of a WAVE recording.
struct Segment {
  enum class Kind { midi, wave };
  Kind kind = Kind::midi;
  std::string midi;                  // the file's bytes, structure checked
  int midi_key = 0;                  // the key of its first note, 0 when it has none
  std::vector<float> stereo_frames;  // interleaved left, right at kSampleRate
};

inline constexpr int kSampleRate = 44100;

// Decodes a DMSEG resource. Throws std::runtime_error naming what is wrong:
// neither MIDI nor WAVE, a MIDI file whose chunks do not hold together (the
// synthesizer would take it silently), or a WAVE it cannot play.
std::shared_ptr<const Segment> decode_segment(std::string bytes);

}  // namespace qz::platform
