#include "shell/countdown.hpp"

#include <charconv>
#include <stdexcept>
#include <string>

namespace qz {
namespace {

int caption_value(const Label& label) {
  int value = 0;
  const std::string& text = label.Caption;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    throw std::logic_error("Label_timer holds no number: \"" + text + "\"");
  }
  return value;
}

}  // namespace

void countdown_step(Form_jeu& form, int press_value) {
  form.Label_timer.Caption = std::to_string(caption_value(form.Label_timer) - 1);
  if (caption_value(form.Label_timer) == press_value) {
    form.Command_sons_musiques.set_Value(true);
  }
  if (caption_value(form.Label_timer) == 0) {
    form.Unload();
  }
}

void run_event_loop(Form_jeu& form, platform::Clock& clock, std::chrono::milliseconds created_at) {
  const std::chrono::milliseconds interval(form.Timer1.Interval);
  std::chrono::milliseconds next_due = created_at + interval;
  while (!form.unloaded() && form.Timer1.exists && form.Timer1.Enabled) {
    clock.sleep_until(next_due);
    if (form.Timer1.Timer_tick) {
      form.Timer1.Timer_tick();
    }
    const std::chrono::milliseconds now = clock.now();
    do {
      next_due += interval;
    } while (next_due <= now);
  }
}

}  // namespace qz
