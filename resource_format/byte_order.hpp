#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qz {

// Whole numbers stored in `count` bytes at `at`; the caller has checked that
// the bytes are there.
inline std::uint32_t big_endian(std::string_view bytes, std::size_t at, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    value = (value << 8U) | static_cast<std::uint8_t>(bytes[at + i]);
  }
  return value;
}

inline std::uint32_t little_endian(std::string_view bytes, std::size_t at, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = count; i > 0; --i) {
    value = (value << 8U) | static_cast<std::uint8_t>(bytes[at + i - 1]);
  }
  return value;
}

}  // namespace qz
