#include "note_reading/notes.hpp"

#include <stdexcept>

namespace qz::note_reading {
namespace {

struct ClefStart {
  int first_note;  // note number of position 1
  int first_key;   // MIDI key of position 1
};

ClefStart start_of(Clef clef) { return clef == Clef::treble ? ClefStart{1, 48} : ClefStart{3, 28}; }

void check_position(int position) {
  if (position < kLowestPosition || position > kHighestPosition) {
    throw std::out_of_range("staff position " + std::to_string(position) + " outside 1..29");
  }
}

// Semitones from each white key to the next, from Do.
constexpr std::array<int, kNoteCount> kStepAbove = {2, 2, 1, 2, 2, 2, 1};

}  // namespace

const std::array<Note, kNoteCount>& notes() {
  static const std::array<Note, kNoteCount> table = {{
      {"Do", "Do", &Form_jeu::Label_do},
      {"Ré", "re", &Form_jeu::Label_re},
      {"Mi", "Mi", &Form_jeu::Label_mi},
      {"Fa", "Fa", &Form_jeu::Label_fa},
      {"Sol", "Sol", &Form_jeu::Label_sol},
      {"La", "La", &Form_jeu::Label_la},
      {"Si", "Si", &Form_jeu::Label_si},
  }};
  return table;
}

int note_of_position(Clef clef, int position) {
  check_position(position);
  return (start_of(clef).first_note - 1 + position - 1) % kNoteCount + 1;
}

int midi_key_of_position(Clef clef, int position) {
  check_position(position);
  const ClefStart start = start_of(clef);
  int key = start.first_key;
  for (int p = 1; p < position; ++p) {
    const auto note_index = static_cast<std::size_t>((start.first_note - 1 + p - 1) % kNoteCount);
    key += kStepAbove[note_index];
  }
  return key;
}

std::string position_name(Clef clef, int position) {
  const Note& note = notes()[static_cast<std::size_t>(note_of_position(clef, position) - 1)];
  std::string name = position < 10 ? "0" : "";
  name += std::to_string(position);
  name += '_';
  name += note.position_word;
  return name;
}

PositionTable position_table(Clef clef, int lowest, int highest) {
  check_position(lowest);
  check_position(highest);
  PositionTable table;
  for (int position = lowest; position <= highest; ++position) {
    table[static_cast<std::size_t>(note_of_position(clef, position) - 1)].push_back(position);
  }
  return table;
}

}  // namespace qz::note_reading
