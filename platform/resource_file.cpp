#include "platform/resource_file.hpp"

#include <stdexcept>

#include "shell/paths.hpp"

namespace qz::platform {

std::string ResourceFile::read(std::string_view type, std::string_view name) const {
  auto bytes = find(type, name);
  if (!bytes) {
    throw std::runtime_error("no " + std::string(type) + " resource \"" + std::string(name) +
                             "\" in " + std::string(file_name_of(path_)));
  }
  return std::move(*bytes);
}

}  // namespace qz::platform
