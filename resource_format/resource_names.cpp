#include "resource_format/resource_names.hpp"

#include <algorithm>
#include <cctype>

namespace qz {

std::string upper_case(std::string_view name) {
  std::string result(name);
  for (char& c : result) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return result;
}

bool is_integer_identifier(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

std::string resource_key(std::string_view type, std::string_view name) {
  std::string canonical_name;
  if (is_integer_identifier(name)) {
    const auto first = name.find_first_not_of('0');
    canonical_name = first == std::string_view::npos ? "0" : std::string(name.substr(first));
  } else {
    canonical_name = upper_case(name);
  }
  return upper_case(type) + "/" + canonical_name;
}

}  // namespace qz
