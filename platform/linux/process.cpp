#include "platform/process.hpp"

#include <sys/resource.h>
#include <sys/syscall.h>
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

void lower_this_thread_priority() {
  // On Linux a nice value set for a thread id applies to that thread alone.
  const auto thread_id = static_cast<id_t>(::syscall(SYS_gettid));
  ::setpriority(PRIO_PROCESS, thread_id, 19);
}

void report_error(std::string_view /*title*/, std::string_view line) {
  try {
    write_all(STDERR_FILENO, std::string(line) + '\n');
  } catch (const std::runtime_error&) {
    // Nowhere left to report to; the exit status still says it failed.
  }
}

}  // namespace qz::platform
