#include "platform/sound/segment.hpp"

#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "resource_format/asset_checks.hpp"

namespace qz::platform {
namespace {

std::uint32_t little_endian(std::string_view bytes, std::size_t at, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = count; i > 0; --i) {
    value = (value << 8U) | static_cast<std::uint8_t>(bytes[at + i - 1]);
  }
  return value;
}

// The samples of a recording that wave_problem() accepted (16-bit PCM whose
// chunks fill the file) as stereo frames. Decoded here, not by a general
// decoder: libsndfile loops for ever on some malformed chunks that it
// interprets and the check has no reason to look into (a LIST whose inner
// sizes run wild).
std::vector<float> decode_wave(std::string_view bytes) {
  std::uint32_t channels = 0;
  std::string_view data;
  for (std::size_t at = 12; at + 8 <= bytes.size() && data.empty();) {
    const std::string_view id = bytes.substr(at, 4);
    const std::uint32_t length = little_endian(bytes, at + 4, 4);
    if (id == "fmt ") {
      channels = little_endian(bytes, at + 10, 2);
    } else if (id == "data") {
      data = bytes.substr(at + 8, length);
    }
    at += 8 + length + (length % 2);
  }
  if (channels != 1 && channels != 2) {
    throw std::runtime_error("WAVE with " + std::to_string(channels) + " channels");
  }
  const std::size_t frames = data.size() / (std::size_t{2} * channels);
  std::vector<float> stereo(2 * frames);
  for (std::size_t frame = 0; frame < frames; ++frame) {
    for (std::size_t side = 0; side < 2; ++side) {
      const std::size_t sample = frame * channels + (channels == 2 ? side : 0);
      const auto value = static_cast<std::int16_t>(little_endian(data, 2 * sample, 2));
      stereo[2 * frame + side] = static_cast<float>(value) / 32768.0F;
    }
  }
  return stereo;
}

}  // namespace

std::shared_ptr<const Segment> decode_segment(std::string bytes) {
  auto segment = std::make_shared<Segment>();
  if (bytes.compare(0, 4, "MThd") == 0) {
    if (const auto problem = midi_problem(bytes)) {
      throw std::runtime_error(*problem);
    }
    segment->kind = Segment::Kind::midi;
    segment->midi = std::move(bytes);
  } else if (bytes.size() >= 12 && bytes.compare(0, 4, "RIFF") == 0 &&
             bytes.compare(8, 4, "WAVE") == 0) {
    if (const auto problem = wave_problem(bytes)) {
      throw std::runtime_error(*problem);
    }
    segment->kind = Segment::Kind::wave;
    segment->stereo_frames = decode_wave(bytes);
  } else {
    throw std::runtime_error("neither a MIDI file nor a WAVE recording");
  }
  return segment;
}

}  // namespace qz::platform
