#pragma once

#include "shell/form.hpp"

namespace qz::layouts {

// The window of each kind of module: controls, initial captions, positions.
extern const WindowLayout note_reading;  // the twelve note-reading modules
extern const WindowLayout instruments;
extern const WindowLayout theorie;
extern const WindowLayout oeuvres;
extern const WindowLayout portraits;

}  // namespace qz::layouts
