#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "shell/form.hpp"

namespace qz::note_reading {

// A note of the scale: its answer text, the word of its position names, and
// its note label, whose visibility says whether it is still free to be an
// answer.
struct Note {
  std::string_view answer;
  std::string_view position_word;
  Label Form_jeu::*label;
};

inline constexpr int kNoteCount = 7;

// Do, Ré, Mi, Fa, Sol, La, Si: note number n is element n - 1.
const std::array<Note, kNoteCount>& notes();

enum class Clef { treble, bass };

// Staff positions count white keys upward from the clef's lowest position:
// 1 is C3 (Do) in treble clef and E1 (Mi) in bass clef, 29 four octaves up.
inline constexpr int kLowestPosition = 1;
inline constexpr int kHighestPosition = 29;

int note_of_position(Clef clef, int position);       // note number 1..7
int midi_key_of_position(Clef clef, int position);   // middle C is 60
std::string position_name(Clef clef, int position);  // "08_Do", "09_re"

// For each note (element n - 1 for note n), the positions of the range
// lowest..highest that carry it, ascending.
using PositionTable = std::array<std::vector<int>, kNoteCount>;
PositionTable position_table(Clef clef, int lowest, int highest);

}  // namespace qz::note_reading
