#include "platform/process.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/linux/descriptor.hpp"
#include "shell/paths.hpp"

namespace qz::platform {

std::string path_beside_executable(std::string_view name) {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) {
      throw std::runtime_error(std::string("cannot find the executable: ") + std::strerror(errno));
    }
    if (static_cast<std::size_t>(length) < buffer.size()) {
      std::string path(folder_of({buffer.data(), static_cast<std::size_t>(length)}));
      return path + "/" + std::string(name);
    }
    buffer.resize(buffer.size() * 2);
  }
}

void report_error(std::string_view /*title*/, std::string_view line) {
  try {
    write_all(STDERR_FILENO, std::string(line) + '\n');
  } catch (const std::runtime_error&) {
    // Nowhere left to report to; the exit status still says it failed.
  }
}

}  // namespace qz::platform
