#include "shell/paths.hpp"

namespace qz {
namespace {

constexpr std::string_view kSeparators = "/\\";

}  // namespace

std::string_view file_name_of(std::string_view path) {
  const auto separator = path.find_last_of(kSeparators);
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string_view folder_of(std::string_view path) {
  const auto separator = path.find_last_of(kSeparators);
  if (separator == std::string_view::npos) {
    return ".";
  }
  return path.substr(0, separator == 0 ? 1 : separator);
}

}  // namespace qz
