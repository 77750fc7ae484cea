#pragma once

#include <chrono>

#include "platform/clock.hpp"
#include "shell/form.hpp"

namespace qz {

// One tick of Timer1: decrement Label_timer, press the sound button at
// `press_value`, unload at 0; both tests on the value after the decrement,
// in this order.
void countdown_step(Form_jeu& form, int press_value);

// The window's event loop: runs Timer1's tick handler every interval from
// the window's creation until the window unloads. Ticks fall due on the
// interval's grid; those that fell due while a handler ran are handled
// once, after it.
void run_event_loop(Form_jeu& form, platform::Clock& clock, std::chrono::milliseconds created_at);

}  // namespace qz
