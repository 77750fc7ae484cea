#pragma once

#include "shell/files.hpp"

namespace qz::platform {

// Files through the Win32 API, with wide-character paths.
class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> open_for_reading(const std::string& path) override;
  // Writes a temporary file beside the target, flushes it and moves it over
  // the target in one step. A target marked read-only is refused before
  // anything is written; a target held open for a moment by a host or a
  // virus scanner is retried for about a second.
  void replace_contents(const std::string& path, std::string_view bytes) override;
};

}  // namespace qz::platform
