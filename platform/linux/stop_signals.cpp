#include "platform/linux/stop_signals.hpp"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace qz::platform {
namespace {

sigset_t stop_set() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  return set;
}

std::string signal_name(std::uint32_t number) {
  switch (number) {
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "signal " + std::to_string(number);
  }
}

}  // namespace

StopSignals::StopSignals(Clock& clock) : clock_(clock) {
  const sigset_t set = stop_set();
  if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
    throw std::runtime_error(std::string("cannot block the stop signals: ") + std::strerror(errno));
  }
  descriptor_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (descriptor_ < 0) {
    throw std::runtime_error(std::string("cannot watch the stop signals: ") + std::strerror(errno));
  }
}

StopSignals::~StopSignals() {
  // The signals stay blocked: the process is ending, and a stop that comes
  // now finds it doing what the stop would have it do.
  if (descriptor_ >= 0) {
    ::close(descriptor_);
  }
}

std::optional<std::string> StopSignals::wait(int timeout_ms) {
  pollfd watched{descriptor_, POLLIN, 0};
  const int ready = ::poll(&watched, 1, timeout_ms);
  if (ready <= 0) {
    return std::nullopt;  // the time is up, or another signal woke the wait
  }
  signalfd_siginfo received{};
  if (::read(descriptor_, &received, sizeof received) != static_cast<ssize_t>(sizeof received)) {
    return std::nullopt;
  }
  return signal_name(received.ssi_signo);
}

std::optional<std::string> StopSignals::wait_until(std::chrono::milliseconds when) {
  for (;;) {
    const std::chrono::milliseconds left = when - clock_.now();
    if (left <= std::chrono::milliseconds::zero()) {
      return std::nullopt;
    }
    if (auto request = wait(static_cast<int>(left.count()))) {
      return request;
    }
  }
}

std::optional<std::string> StopSignals::pending() { return wait(0); }

}  // namespace qz::platform
