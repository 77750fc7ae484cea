#include "resource_format/asset_checks.hpp"

#include <cstdint>

#include "resource_format/byte_order.hpp"

namespace qz {

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

}  // namespace qz
