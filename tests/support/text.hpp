#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/cp1252.hpp"

namespace qz::testing {

// The UTF-8 text of CP1252 bytes: reading a record back.
inline std::string from_cp1252(std::string_view cp1252) {
  std::string out;
  for (const char c : cp1252) {
    const char32_t code_point = cp1252_character(static_cast<unsigned char>(c));
    if (code_point < 0x80) {
      out += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
      out += static_cast<char>(0xC0 | (code_point >> 6U));
      out += static_cast<char>(0x80 | (code_point & 0x3FU));
    } else {
      out += static_cast<char>(0xE0 | (code_point >> 12U));
      out += static_cast<char>(0x80 | ((code_point >> 6U) & 0x3FU));
      out += static_cast<char>(0x80 | (code_point & 0x3FU));
    }
  }
  return out;
}

// Number of characters (code points) of a valid UTF-8 text, as the banks'
// length rules count them.
inline std::size_t character_count(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8) {
    if ((static_cast<std::uint8_t>(c) & 0xC0U) != 0x80U) {
      ++count;
    }
  }
  return count;
}

}  // namespace qz::testing
