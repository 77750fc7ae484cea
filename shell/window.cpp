#include "shell/window.hpp"

namespace qz {

void HeadlessWindow::create(const Form_jeu& /*form*/) { created_at_ = clock_.now(); }

void HeadlessWindow::run_events(Form_jeu& form) {
  const std::chrono::milliseconds interval(form.Timer1.Interval);
  std::chrono::milliseconds next_due = created_at_ + interval;
  while (!form.unloaded() && form.Timer1.exists && form.Timer1.Enabled) {
    if (requests_ == nullptr) {
      clock_.sleep_until(next_due);
    } else if (requests_->wait_until(next_due)) {
      form.Unload();
      return;
    }
    if (form.Timer1.Timer_tick) {
      form.Timer1.Timer_tick();
    }
    const std::chrono::milliseconds now = clock_.now();
    do {
      next_due += interval;
    } while (next_due <= now);
  }
}

std::optional<std::string> HeadlessWindow::close_requested() {
  return requests_ != nullptr ? requests_->pending() : std::nullopt;
}

}  // namespace qz
