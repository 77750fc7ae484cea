#pragma once

#include <chrono>
#include <cstdint>

namespace qz {

// Time as the window's event loop and the random draws see it.
class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic time since an arbitrary origin.
  virtual std::chrono::milliseconds now() = 0;
  // Returns once now() >= when.
  virtual void sleep_until(std::chrono::milliseconds when) = 0;
  // The wall clock reading that reseeds the random generator; it may repeat
  // between close calls.
  virtual std::uint64_t seed_ticks() = 0;
};

}  // namespace qz
