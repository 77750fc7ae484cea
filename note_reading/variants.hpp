#pragma once

#include "note_reading/notes.hpp"

namespace qz::note_reading {

// What sets one note-reading module apart: its clef and level, the unbroken
// range of staff positions it asks, and the range whose pictures and sounds
// it carries. A row of the module table.
struct NoteVariant {
  Clef clef;
  int level;  // 2 to 7, as the module's name says
  int lowest_asked;
  int highest_asked;
  int lowest_carried;
  int highest_carried;
};

}  // namespace qz::note_reading
