#pragma once

#include "shell/form.hpp"

namespace qz::note_reading {

// The window of the twelve note-reading modules: the question labels, the
// seven note-name labels, five answer buttons, the sound button and Timer1.
// Label_timer's caption is set from the module's countdown.
extern const WindowLayout window_layout;

}  // namespace qz::note_reading
