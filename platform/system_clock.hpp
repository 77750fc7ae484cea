#pragma once

#include "shell/clock.hpp"

namespace qz::platform {

// The machine's clocks through the standard library, the same on every
// platform: steady time for the event loop, the wall clock for the seeds.
class SystemClock final : public Clock {
 public:
  std::chrono::milliseconds now() override;
  void sleep_until(std::chrono::milliseconds when) override;
  std::uint64_t seed_ticks() override;
};

}  // namespace qz::platform
