#pragma once

#include "platform/clock.hpp"

namespace qz::platform {

class SystemClock final : public Clock {
 public:
  std::chrono::milliseconds now() override;
  void sleep_until(std::chrono::milliseconds when) override;
  std::uint64_t seed_ticks() override;
};

}  // namespace qz::platform
