#include "platform/sound/segment.hpp"

#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "resource_format/byte_order.hpp"
#include "resource_format/midi_file.hpp"
#include "resource_format/wave_file.hpp"

namespace qz::platform {
namespace {

// The frames of a recording, stereo. Decoded here, not by a general
// decoder: libsndfile loops for ever on some malformed chunks that it
// interprets and the check has no reason to look into (a LIST whose inner
// sizes run wild).
std::vector<float> stereo_frames(const WaveSound& sound) {
  const auto channels = static_cast<std::size_t>(sound.channels);
  const std::size_t frames = sound.samples.size() / (2 * channels);
  std::vector<float> stereo(2 * frames);
  for (std::size_t frame = 0; frame < frames; ++frame) {
    for (std::size_t side = 0; side < 2; ++side) {
      const std::size_t sample = frame * channels + (channels == 2 ? side : 0);
      const auto value = static_cast<std::int16_t>(little_endian(sound.samples, 2 * sample, 2));
      stereo[2 * frame + side] = static_cast<float>(value) / 32768.0F;
    }
  }
  return stereo;
}

}  // namespace

std::shared_ptr<const Segment> decode_segment(std::string bytes) {
  auto segment = std::make_shared<Segment>();
  if (bytes.compare(0, 4, "MThd") == 0) {
    for (const MidiEvent& event : parse_midi(bytes).events) {
      const bool note_on = event.kind == MidiEvent::Kind::channel_message &&
                           (event.value & 0xF0U) == 0x90U && (event.value >> 16U) != 0;
      if (note_on) {
        segment->midi_key = static_cast<int>((event.value >> 8U) & 0x7FU);
        break;
      }
    }
    segment->kind = Segment::Kind::midi;
    segment->midi = std::move(bytes);
  } else if (bytes.size() >= 12 && bytes.compare(0, 4, "RIFF") == 0 &&
             bytes.compare(8, 4, "WAVE") == 0) {
    segment->kind = Segment::Kind::wave;
    segment->stereo_frames = stereo_frames(parse_wave(bytes));
  } else {
    throw std::runtime_error("neither a MIDI file nor a WAVE recording");
  }
  return segment;
}

}  // namespace qz::platform
