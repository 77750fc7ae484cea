#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "shell/clock.hpp"
#include "shell/window.hpp"

namespace qz::platform {

// SIGTERM, SIGINT and SIGHUP, the ways a host stops a program on Linux, as
// requests to close the window. Made first, before any thread: the signals
// are blocked in every thread from then on and read from a signalfd, so they
// never end the process on their own, and the event loop wakes for them.
class StopSignals final : public CloseRequests {
 public:
  explicit StopSignals(Clock& clock);
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  StopSignals(StopSignals&&) = delete;
  StopSignals& operator=(StopSignals&&) = delete;

  std::optional<std::string> wait_until(std::chrono::milliseconds when) override;
  std::optional<std::string> pending() override;

 private:
  std::optional<std::string> wait(int timeout_ms);

  Clock& clock_;
  int descriptor_ = -1;
};

}  // namespace qz::platform
