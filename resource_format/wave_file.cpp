#include "resource_format/wave_file.hpp"

#include <stdexcept>
#include <string>

#include "resource_format/byte_order.hpp"
#include "resource_format/escaped.hpp"

namespace qz {

WaveSound parse_wave(std::string_view bytes) {
  if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE") {
    throw std::runtime_error("not a RIFF WAVE file");
  }
  WaveSound sound;
  bool has_data = false;
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string_view id = bytes.substr(at, 4);
    const std::uint32_t length = little_endian(bytes, at + 4, 4);
    if (length > bytes.size() - at - 8) {
      throw std::runtime_error("WAVE chunk \"" + escaped(id) + "\" runs past the end of the file");
    }
    if (id == "fmt ") {
      if (length < 16 || little_endian(bytes, at + 8, 2) != 1) {
        throw std::runtime_error("WAVE is not PCM");
      }
      const std::uint32_t channels = little_endian(bytes, at + 10, 2);
      const std::uint32_t rate = little_endian(bytes, at + 12, 4);
      const std::uint32_t bits = little_endian(bytes, at + 22, 2);
      if (rate != kSampleRate || bits != 16) {
        throw std::runtime_error("WAVE of " + std::to_string(bits) + " bits at " +
                                 std::to_string(rate) + " Hz, 16 bits at 44100 Hz needed");
      }
      if (channels != 1 && channels != 2) {
        throw std::runtime_error("WAVE with " + std::to_string(channels) + " channels");
      }
      sound.channels = static_cast<int>(channels);
    } else if (id == "data" && !has_data) {
      if (sound.channels == 0) {
        throw std::runtime_error("WAVE data before its format");
      }
      const std::uint32_t frame_bytes = 2U * static_cast<std::uint32_t>(sound.channels);
      sound.samples = bytes.substr(at + 8, length - length % frame_bytes);
      has_data = true;
    }
    at += 8 + length + (length % 2);  // chunks are padded to even sizes
  }
  if (!has_data) {
    throw std::runtime_error("WAVE without data");
  }
  // The chunks fill the file (the last one may lack its pad byte), and the
  // RIFF header says so: a player never looks for chunks past the end.
  if (at < bytes.size()) {
    throw std::runtime_error("WAVE with bytes past its last chunk");
  }
  if (little_endian(bytes, 4, 4) != bytes.size() - 8) {
    throw std::runtime_error("RIFF size " + std::to_string(little_endian(bytes, 4, 4)) +
                             " for a file of " + std::to_string(bytes.size()) + " bytes");
  }
  return sound;
}

}  // namespace qz
