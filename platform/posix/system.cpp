// The POSIX backend: files by file descriptor, the headless window, the
// executable's folder from /proc.
#include "platform/system.hpp"

#include "platform/posix/files.hpp"
#include "platform/process.hpp"
#include "platform/system_clock.hpp"

namespace qz::platform {

System make_system() {
  System system;
  system.module_folder = executable_folder();
  system.path_separator = '/';
  system.files = std::make_unique<PosixFileSystem>();
  system.clock = std::make_unique<SystemClock>();
  system.window = std::make_unique<HeadlessWindow>(*system.clock);
  return system;
}

}  // namespace qz::platform
