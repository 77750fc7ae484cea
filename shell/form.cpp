#include "shell/form.hpp"

#include <stdexcept>

namespace qz {

// Not const, though the compiler would allow it: a press changes the window.
void CommandButton::set_Value(bool value) {  // NOLINT(readability-make-member-function-const)
  if (!value) {
    return;
  }
  if (!exists) {
    throw std::logic_error("pressed a button this window does not have");
  }
  if (Click) {
    Click();
  }
}

Form_jeu::Form_jeu(const WindowLayout& layout) : client(layout.client) {
  for (const auto& labels : {layout.question_labels, layout.labels}) {
    for (const LabelSpec& control : labels) {
      Label& label = this->*control.label;
      label.exists = true;
      label.Caption = control.caption;
      label.position = control.position;
    }
  }
  for (const ButtonSpec& control : layout.buttons) {
    CommandButton& button = this->*control.button;
    button.exists = true;
    button.Caption = control.caption;
    button.position = control.position;
  }
  if (layout.timer != nullptr) {
    Timer1.exists = true;
    Timer1.Interval = layout.timer->interval_ms;
    Timer1.left = layout.timer->left;
    Timer1.top = layout.timer->top;
  }
}

void Form_jeu::Unload() {
  unloaded_ = true;
  Timer1.Enabled = false;
}

}  // namespace qz
