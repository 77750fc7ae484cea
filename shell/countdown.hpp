#pragma once

#include "shell/form.hpp"

namespace qz {

// One tick of Timer1: decrement Label_timer, press the sound button at
// `press_value`, unload at 0; both tests on the value after the decrement,
// in this order.
void countdown_step(Form_jeu& form, int press_value);

}  // namespace qz
