#include "resource_format/sound.hpp"

#include <stdexcept>

#include "resource_format/byte_order.hpp"

namespace qz {
namespace {

bool is_midi(std::string_view bytes) { return bytes.substr(0, 4) == "MThd"; }

bool is_wave(std::string_view bytes) {
  return bytes.size() >= 12 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "WAVE";
}

int first_key(const MidiSequence& sequence) {
  for (const MidiEvent& event : sequence.events) {
    const bool note_on = event.kind == MidiEvent::Kind::channel_message &&
                         (event.value & 0xF0U) == 0x90U && (event.value >> 16U) != 0;
    if (note_on) {
      return static_cast<int>((event.value >> 8U) & 0x7FU);
    }
  }
  return 0;
}

// The recording's frames, a mono one played on both sides. Decoded here, not
// by a general decoder: libsndfile loops for ever on some malformed chunks
// that it interprets and the check has no reason to look into (a LIST whose
// inner sizes run wild).
std::vector<std::int16_t> stereo_frames(const WaveSound& sound) {
  const auto channels = static_cast<std::size_t>(sound.channels);
  const std::size_t frames = sound.samples.size() / (2 * channels);
  std::vector<std::int16_t> stereo(2 * frames);
  for (std::size_t frame = 0; frame < frames; ++frame) {
    for (std::size_t side = 0; side < 2; ++side) {
      const std::size_t sample = frame * channels + (channels == 2 ? side : 0);
      stereo[2 * frame + side] =
          static_cast<std::int16_t>(little_endian(sound.samples, 2 * sample, 2));
    }
  }
  return stereo;
}

}  // namespace

Sound decode_sound(std::string bytes) {
  Sound sound;
  if (is_midi(bytes)) {
    sound.kind = Sound::Kind::midi;
    sound.midi = parse_midi(bytes);
    sound.midi_key = first_key(sound.midi);
    sound.midi_file = std::move(bytes);
  } else if (is_wave(bytes)) {
    sound.kind = Sound::Kind::wave;
    sound.stereo_frames = stereo_frames(parse_wave(bytes));
  } else {
    throw std::runtime_error("neither a MIDI file nor a WAVE recording");
  }
  return sound;
}

std::optional<std::string> sound_problem(std::string_view bytes) {
  try {
    if (is_midi(bytes)) {
      parse_midi(bytes);
    } else if (is_wave(bytes)) {
      parse_wave(bytes);
    } else {
      return "neither a MIDI file nor a WAVE recording";
    }
    return std::nullopt;
  } catch (const std::runtime_error& error) {
    return error.what();
  }
}

}  // namespace qz
