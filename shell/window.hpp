#pragma once

#include <chrono>

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
  // once, after it. Returns at once when the window has unloaded or has no
  // running timer; the native window is gone when it returns.
  virtual void run_events(Form_jeu& form) = 0;
};

// No native window: the loop sleeps on the clock until the next tick is
// due. Ticks fall due on the interval's grid from the window's creation.
class HeadlessWindow final : public WindowBackend {
 public:
  explicit HeadlessWindow(Clock& clock) : clock_(clock) {}
  void create(const Form_jeu& form) override;
  void run_events(Form_jeu& form) override;

 private:
  Clock& clock_;
  std::chrono::milliseconds created_at_{};
};

}  // namespace qz
