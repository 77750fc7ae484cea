#pragma once

#include <string>

namespace qz::platform {

// A shared library loaded at run time. It stays loaded for the life of the
// process: functions taken from it may run on threads until the very end.
class SharedLibrary {
 public:
  // Throws std::runtime_error "cannot load FILE: cause".
  explicit SharedLibrary(std::string file);
  // Throws std::runtime_error "FILE has no NAME".
  [[nodiscard]] void* symbol(const char* name) const;
  [[nodiscard]] const std::string& file() const { return file_; }

 private:
  std::string file_;
  void* handle_ = nullptr;
};

}  // namespace qz::platform
