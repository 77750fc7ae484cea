#include "resource_format/asset_checks.hpp"

#include <cstdint>

namespace qz {
namespace {

std::uint32_t little_endian(std::string_view bytes, std::size_t at, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = count; i > 0; --i) {
    value = (value << 8U) | static_cast<std::uint8_t>(bytes[at + i - 1]);
  }
  return value;
}

std::uint32_t big_endian(std::string_view bytes, std::size_t at, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    value = (value << 8U) | static_cast<std::uint8_t>(bytes[at + i]);
  }
  return value;
}

}  // namespace

std::optional<std::string> jpeg_problem(std::string_view bytes) {
  if (bytes.size() < 4 || big_endian(bytes, 0, 2) != 0xFFD8U) {
    return "not a JPEG file";
  }
  std::size_t at = 2;
  while (at + 4 <= bytes.size()) {
    if (static_cast<std::uint8_t>(bytes[at]) != 0xFF) {
      return "broken JPEG marker structure";
    }
    const std::uint32_t marker = static_cast<std::uint8_t>(bytes[at + 1]);
    const std::uint32_t length = big_endian(bytes, at + 2, 2);
    if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      return "not a baseline JPEG (progressive or other coding)";
    }
    if (marker == 0xC0) {
      if (at + 10 > bytes.size()) {
        return "truncated JPEG frame header";
      }
      const std::uint32_t height = big_endian(bytes, at + 5, 2);
      const std::uint32_t width = big_endian(bytes, at + 7, 2);
      const std::uint32_t components = static_cast<std::uint8_t>(bytes[at + 9]);
      if (width != kPictureWidth || height != kPictureHeight) {
        return "picture is " + std::to_string(width) + " x " + std::to_string(height) +
               ", 146 x 200 needed";
      }
      if (components != 3) {
        return std::to_string(components) + " colour components, 3 needed";
      }
      if (big_endian(bytes, bytes.size() - 2, 2) != 0xFFD9U) {
        return "JPEG does not end with its end-of-image marker";
      }
      return std::nullopt;
    }
    at += 2 + length;
  }
  return "JPEG without a baseline frame header";
}

std::optional<std::string> midi_problem(std::string_view bytes) {
  if (bytes.size() < 14 || bytes.substr(0, 4) != "MThd" || big_endian(bytes, 4, 4) != 6) {
    return "not a Standard MIDI File (no MThd header)";
  }
  const std::uint32_t format = big_endian(bytes, 8, 2);
  const std::uint32_t tracks = big_endian(bytes, 10, 2);
  if (format > 2 || tracks == 0 || (format == 0 && tracks != 1)) {
    return "MIDI header with format " + std::to_string(format) + " and " + std::to_string(tracks) +
           " tracks";
  }
  std::size_t at = 14;
  for (std::uint32_t track = 1; track <= tracks; ++track) {
    if (at + 8 > bytes.size() || bytes.substr(at, 4) != "MTrk") {
      return "MIDI track " + std::to_string(track) + " missing";
    }
    const std::uint32_t length = big_endian(bytes, at + 4, 4);
    if (length > bytes.size() - at - 8) {
      return "MIDI track " + std::to_string(track) + " runs past the end of the file";
    }
    at += 8 + length;
  }
  return std::nullopt;
}

std::optional<std::string> wave_problem(std::string_view bytes) {
  if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE") {
    return "not a RIFF WAVE file";
  }
  bool has_format = false;
  bool has_data = false;
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string_view id = bytes.substr(at, 4);
    const std::uint32_t length = little_endian(bytes, at + 4, 4);
    if (length > bytes.size() - at - 8) {
      return "WAVE chunk \"" + std::string(id) + "\" runs past the end of the file";
    }
    if (id == "fmt ") {
      if (length < 16 || little_endian(bytes, at + 8, 2) != 1) {
        return "WAVE is not PCM";
      }
      const std::uint32_t rate = little_endian(bytes, at + 12, 4);
      const std::uint32_t bits = little_endian(bytes, at + 22, 2);
      if (rate != 44100 || bits != 16) {
        return "WAVE of " + std::to_string(bits) + " bits at " + std::to_string(rate) +
               " Hz, 16 bits at 44100 Hz needed";
      }
      has_format = true;
    } else if (id == "data") {
      if (!has_format) {
        return "WAVE data before its format";
      }
      has_data = true;
    }
    at += 8 + length + (length % 2);  // chunks are padded to even sizes
  }
  if (!has_data) {
    return "WAVE without data";
  }
  // The chunks fill the file (the last one may lack its pad byte), and the
  // RIFF header says so: a decoder never looks for chunks past the end.
  if (at < bytes.size()) {
    return "WAVE with bytes past its last chunk";
  }
  if (little_endian(bytes, 4, 4) != bytes.size() - 8) {
    return "RIFF size " + std::to_string(little_endian(bytes, 4, 4)) + " for a file of " +
           std::to_string(bytes.size()) + " bytes";
  }
  return std::nullopt;
}

}  // namespace qz
