#include "platform/temporary_names.hpp"

#include <random>

namespace qz::platform {
namespace {

constexpr std::string_view kNameLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kTailLength = 6;

}  // namespace

std::string temporary_name_prefix(std::string_view file_name) {
  return "." + std::string(file_name) + ".";
}

std::string fresh_temporary_name(std::string_view prefix) {
  std::random_device random;
  std::uniform_int_distribution<std::size_t> letter(0, kNameLetters.size() - 1);
  std::string name(prefix);
  for (std::size_t i = 0; i < kTailLength; ++i) {
    name += kNameLetters[letter(random)];
  }
  return name;
}

bool is_temporary_name(std::string_view name, std::string_view prefix) {
  return name.size() == prefix.size() + kTailLength && name.starts_with(prefix) &&
         name.find_first_not_of(kNameLetters, prefix.size()) == std::string_view::npos;
}

}  // namespace qz::platform
