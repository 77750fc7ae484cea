#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace qz::testing {

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
