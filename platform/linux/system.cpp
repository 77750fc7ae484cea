// The Linux backend: files by file descriptor, the headless window.
#include "platform/system.hpp"

#include "platform/linux/files.hpp"
#include "platform/system_clock.hpp"

namespace qz::platform {

System make_system() {
  System system;
  system.files = std::make_unique<LinuxFileSystem>();
  system.clock = std::make_unique<SystemClock>();
  system.window = std::make_unique<HeadlessWindow>(*system.clock);
  return system;
}

}  // namespace qz::platform
