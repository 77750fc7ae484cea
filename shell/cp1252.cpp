#include "shell/cp1252.hpp"

#include <array>
#include <cstdint>

namespace qz {
namespace {

// Code points of bytes 0x80..0x9F; zero marks a byte the code page leaves
// undefined.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::optional<char> byte_of(char32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    return static_cast<char>(code_point);
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == code_point) {
      return static_cast<char>(0x80 + i);
    }
  }
  return std::nullopt;
}

// Decodes one UTF-8 sequence starting at text[pos]; advances pos.
std::optional<char32_t> next_code_point(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<std::uint8_t>(text[pos]);
  std::size_t length = 0;
  char32_t value = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  if ((lead & 0xE0U) == 0xC0U) {
    length = 2;
    value = lead & 0x1FU;
  } else if ((lead & 0xF0U) == 0xE0U) {
    length = 3;
    value = lead & 0x0FU;
  } else if ((lead & 0xF8U) == 0xF0U) {
    length = 4;
    value = lead & 0x07U;
  } else {
    return std::nullopt;
  }
  if (pos + length > text.size()) {
    return std::nullopt;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<std::uint8_t>(text[pos + i]);
    if ((next & 0xC0U) != 0x80U) {
      return std::nullopt;
    }
    value = (value << 6U) | (next & 0x3FU);
  }
  constexpr std::array<char32_t, 5> kSmallestOfLength = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallestOfLength[length] || value > 0x10FFFF ||
      (value >= 0xD800 && value <= 0xDFFF)) {
    return std::nullopt;  // overlong form or not a character
  }
  pos += length;
  return value;
}

}  // namespace

std::optional<std::string> to_cp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto code_point = next_code_point(utf8, pos);
    if (!code_point) {
      return std::nullopt;
    }
    const auto byte = byte_of(*code_point);
    if (!byte) {
      return std::nullopt;
    }
    out += *byte;
  }
  return out;
}

bool is_valid_utf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (!next_code_point(text, pos)) {
      return false;
    }
  }
  return true;
}

char32_t cp1252_character(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80U] != 0) {
    return kHighControls[byte - 0x80U];
  }
  return byte;
}

}  // namespace qz
