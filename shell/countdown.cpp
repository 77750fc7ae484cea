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

}  // namespace qz
