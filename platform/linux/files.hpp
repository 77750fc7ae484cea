#pragma once

#include "shell/files.hpp"

namespace qz::platform {

class LinuxFileSystem final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> open_for_reading(const std::string& path) override;
  void replace_contents(const std::string& path, std::string_view bytes) override;
};

}  // namespace qz::platform
