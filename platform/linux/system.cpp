// The Linux backend: files by file descriptor, the headless window that the
// stop signals close.
#include "platform/system.hpp"

#include <csignal>

#include "platform/linux/files.hpp"
#include "platform/linux/stop_signals.hpp"
#include "platform/system_clock.hpp"

namespace qz::platform {

System make_system() {
  // A host that closed the read end of the module's standard error stream
  // gets the exit status all the same: the error line's write fails quietly.
  (void)std::signal(SIGPIPE, SIG_IGN);
  System system;
  system.files = std::make_unique<LinuxFileSystem>();
  system.clock = std::make_unique<SystemClock>();
  system.close_requests = std::make_unique<StopSignals>(*system.clock);
  system.window = std::make_unique<HeadlessWindow>(*system.clock, system.close_requests.get());
  return system;
}

}  // namespace qz::platform
