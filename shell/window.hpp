#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "shell/clock.hpp"
#include "shell/form.hpp"

namespace qz {

// The native side of Form_jeu. The shell keeps the window's state in
// Form_jeu; a backend creates the toolkit's window for it and runs its
// event loop, which is where Timer1's ticks come from.
class WindowBackend {
 public:
  virtual ~WindowBackend() = default;
  // The window is created: Timer1 counts its interval from here.
  virtual void create(const Form_jeu& form) = 0;
  // Runs Timer1's tick handler every interval, one tick at a time, until
  // the window unloads; ticks that fell due while a handler ran are handled
  // once, after it. A request to close the window (the host stopping the
  // module) unloads it as the countdown's end does. Returns at once when
  // the window has unloaded or has no running timer; the native window is
  // gone when it returns.
  virtual void run_events(Form_jeu& form) = 0;
  // A request to close that came while the load handler ran, named ("SIGTERM"),
  // or none. A backend whose requests wait for its event loop has none.
  virtual std::optional<std::string> close_requested() { return std::nullopt; }
};

// How a window without a toolkit hears that it is asked to close: the
// machine's way for a host to stop a program.
class CloseRequests {
 public:
  virtual ~CloseRequests() = default;
  // Waits until `when` on the window's clock, or until a request comes:
  // returns its name then.
  virtual std::optional<std::string> wait_until(std::chrono::milliseconds when) = 0;
  // A request that has come, without waiting.
  virtual std::optional<std::string> pending() = 0;
};

// No native window: the loop sleeps on the clock until the next tick is
// due, or until a close request comes when `requests` are given. Ticks fall
// due on the interval's grid from the window's creation.
class HeadlessWindow final : public WindowBackend {
 public:
  explicit HeadlessWindow(Clock& clock, CloseRequests* requests = nullptr)
      : clock_(clock), requests_(requests) {}
  void create(const Form_jeu& form) override;
  void run_events(Form_jeu& form) override;
  std::optional<std::string> close_requested() override;

 private:
  Clock& clock_;
  CloseRequests* requests_;
  std::chrono::milliseconds created_at_{};
};

}  // namespace qz
