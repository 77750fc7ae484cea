#include "platform/process.hpp"

#include <windows.h>

#include <stdexcept>
#include <vector>

#include "platform/win32/wide.hpp"
#include "shell/paths.hpp"

namespace qz::platform {

std::string path_beside_executable(std::string_view name) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      throw std::runtime_error("cannot find the executable: " +
                               std::string(windows_error(::GetLastError()).what()));
    }
    if (length < buffer.size()) {
      return std::string(folder_of(to_utf8({buffer.data(), length}))) + "\\" + std::string(name);
    }
    buffer.resize(buffer.size() * 2);
  }
}

void report_error(std::string_view title, std::string_view line) {
  // The line goes to the standard error stream when the host gave the
  // process one; a GUI program started from Explorer has none.
  HANDLE error_stream = ::GetStdHandle(STD_ERROR_HANDLE);
  if (error_stream != nullptr && error_stream != INVALID_HANDLE_VALUE) {
    const std::string text = std::string(line) + "\n";
    DWORD written = 0;
    ::WriteFile(error_stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  ::MessageBoxW(nullptr, to_wide(line).c_str(), to_wide(title).c_str(),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace qz::platform
