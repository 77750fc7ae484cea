#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace qz::platform {

// The module works in UTF-8; Windows takes paths and texts in UTF-16.
std::wstring to_wide(std::string_view utf8);
std::string to_utf8(std::wstring_view wide);

// The cause of a failed call as the modules report it: "no such file",
// "access denied", "the file is in use", or the system's own message.
std::runtime_error windows_error(DWORD code);

// Closes a handle when it goes.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&&) = delete;
  Handle& operator=(Handle&&) = delete;
  ~Handle() { close(); }
  [[nodiscard]] HANDLE get() const { return handle_; }
  [[nodiscard]] bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  void close() {
    if (valid()) {
      ::CloseHandle(handle_);
    }
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

}  // namespace qz::platform
