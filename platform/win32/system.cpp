// The Windows backend: files through the Win32 API with wide paths, a real
// window whose message loop runs the countdown.
#include "platform/system.hpp"

#include "platform/system_clock.hpp"
#include "platform/win32/files.hpp"
#include "platform/win32/window.hpp"

namespace qz::platform {

System make_system() {
  System system;
  system.files = std::make_unique<Win32FileSystem>();
  system.clock = std::make_unique<SystemClock>();
  system.window = std::make_unique<Win32Window>();
  return system;
}

}  // namespace qz::platform
