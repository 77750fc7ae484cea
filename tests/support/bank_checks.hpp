#pragma once

#include <algorithm>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "shell/cp1252.hpp"

namespace qz::testing {

// How many rows name each correct position ("1", "2"...). Compared whole, it
// also says that no row names any other.
using PositionCounts = std::map<std::string_view, int>;
template <typename Row>
PositionCounts correct_position_counts(std::span<const Row> rows) {
  PositionCounts counts;
  for (const Row& row : rows) {
    ++counts[row.correct];
  }
  return counts;
}

// Whether `text` holds, in code page 1252, a byte that is neither printable
// ASCII (the double quote excepted) nor one that `also` accepts. A text
// outside code page 1252 does.
template <typename Also>
bool has_other_bytes(std::string_view text, Also also) {
  const auto bytes = to_cp1252(text);
  return !bytes || !std::ranges::all_of(*bytes, [&also](char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x20 && b < 0x7F && b != '"') || also(b);
  });
}

// The letters of French the text banks use: small accented letters and
// the "oe" ligature (the multiplication and division signs are no letters).
inline bool french_small_letter(unsigned char b) { return b == 0x9C || (b >= 0xE0 && b != 0xF7); }

// The rows n (counted from 1) for which `bad` holds, as "3, 17": empty when
// none, so that a failed check names the rows to mend. `bad` takes the row,
// or the row and its number.
template <typename Row, typename Predicate>
std::string rows_where(std::span<const Row> rows, Predicate bad) {
  std::string listed;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    bool found = false;
    if constexpr (std::is_invocable_v<Predicate, const Row&, std::size_t>) {
      found = bad(rows[i], i + 1);
    } else {
      found = bad(rows[i]);
    }
    if (found) {
      listed += (listed.empty() ? "" : ", ") + std::to_string(i + 1);
    }
  }
  return listed;
}

// The century of a text such as "XIXe siècle" (19), or 0 for any other text.
inline int roman_century(std::string_view text) {
  static const std::map<char, int> kDigits = {{'I', 1},   {'V', 5},   {'X', 10},  {'L', 50},
                                              {'C', 100}, {'D', 500}, {'M', 1000}};
  std::size_t end = 0;
  while (end < text.size() && kDigits.contains(text[end])) {
    ++end;
  }
  const std::string_view rest = text.substr(end);
  const auto word = rest.find_first_not_of(' ', 1);
  if (end == 0 || rest.substr(0, 2) != "e " || word == std::string_view::npos ||
      rest.substr(word) != "siècle") {
    return 0;
  }
  int value = 0;
  for (std::size_t i = 0; i < end; ++i) {
    const int digit = kDigits.at(text[i]);
    value += (i + 1 < end && digit < kDigits.at(text[i + 1])) ? -digit : digit;
  }
  return value;
}

}  // namespace qz::testing
