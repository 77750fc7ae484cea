#include "platform/system_clock.hpp"

#include <thread>

namespace qz::platform {

std::chrono::milliseconds SystemClock::now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

void SystemClock::sleep_until(std::chrono::milliseconds when) {
  std::this_thread::sleep_until(std::chrono::steady_clock::time_point(when));
}

std::uint64_t SystemClock::seed_ticks() {
  return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

}  // namespace qz::platform
