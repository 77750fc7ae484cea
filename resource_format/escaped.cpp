#include "resource_format/escaped.hpp"

#include <array>

namespace qz {
namespace {

void append_hex(std::string& out, unsigned char byte) {
  constexpr std::array<char, 16> kDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                            '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
  out += "\\x";
  out += kDigits[byte >> 4U];
  out += kDigits[byte & 0xFU];
}

}  // namespace

std::string escaped(std::string_view bytes, std::size_t limit) {
  std::string out;
  for (const char c : bytes.substr(0, limit)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      append_hex(out, byte);
    }
  }
  if (bytes.size() > limit) {
    out += "...";
  }
  return out;
}

std::string one_line(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (const char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      append_hex(out, byte);
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace qz
