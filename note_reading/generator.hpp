#pragma once

#include "note_reading/notes.hpp"
#include "shell/module.hpp"

namespace qz::note_reading {

// The note question as five chained click handlers of Command1..Command5:
// steps 1 to 4 draw four different answers, each hiding the note label of
// the note it takes and starting over (by pressing its own button) when the
// drawn note is already taken; step 5 draws which answer is right and the
// staff position of that note. Running it presses Command1.
Generator note_generator(Clef clef, PositionTable positions);

}  // namespace qz::note_reading
