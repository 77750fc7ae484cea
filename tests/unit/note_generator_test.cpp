#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "modules/module_table.hpp"
#include "note_reading/generator.hpp"
#include "tests/support/fakes.hpp"

namespace qz::note_reading {
namespace {

using testing::ScriptedSource;

struct Question {
  std::array<std::string, 4> answers;
  std::string correct;
  std::string image;
  std::string sound;
  std::set<std::string> hidden_notes;  // answer texts whose note label is hidden
};

using modules::ModuleRow;

// The note modules of the module table.
std::vector<ModuleRow> note_modules() {
  std::vector<ModuleRow> rows;
  std::ranges::copy_if(modules::module_table(), std::back_inserter(rows),
                       [](const ModuleRow& row) { return row.notes.has_value(); });
  return rows;
}

Question generate(const ModuleRow& row, UniformSource& random) {
  const ModuleDescriptor module = modules::descriptor(row);
  Form_jeu form(*module.window);
  module.generator.attach(form, random);
  module.generator.run(form, random);
  EXPECT_EQ(form.Label_question.Caption, "Quel est le nom de cette note?");
  EXPECT_EQ(form.Label_numero4.Caption, "");
  Question q{{form.Label_reponse1.Caption, form.Label_reponse2.Caption, form.Label_reponse3.Caption,
              form.Label_reponse4.Caption},
             form.Label_Bonne_reponse.Caption,
             form.Label_image.Caption,
             form.Label_musiques_sons.Caption,
             {}};
  for (const Note& note : notes()) {
    if (!(form.*note.label).Visible) {
      q.hidden_notes.insert(std::string(note.answer));
    }
  }
  return q;
}

TEST(NoteGenerator, Treble7RoadOfOneRequest) {
  // Mi, Do, La, Fa; the right answer is the second; Do's third position.
  ScriptedSource random;
  for (const int note : {3, 1, 6, 4}) {
    random.push_draw(note, 7);
  }
  random.push_draw(2, 4);
  random.push_draw(3, 5);
  const Question q = generate(modules::module_row("treble7"), random);
  EXPECT_EQ(q.answers, (std::array<std::string, 4>{"Mi", "Do", "La", "Fa"}));
  EXPECT_EQ(q.correct, "2");
  EXPECT_EQ(q.image, "15_Do");
  EXPECT_EQ(q.sound, "15_Do");
  EXPECT_EQ(random.left(), 0U);
}

TEST(NoteGenerator, Treble2StartsOverOnATakenNoteAndSkipsTheDrawForASinglePosition) {
  ScriptedSource random;
  for (const int note : {4, 4, 1, 7, 6}) {  // the second 4 is taken: step 2 starts over
    random.push_draw(note, 7);
  }
  random.push_draw(2, 4);
  random.push_draw(1, 2);
  Question q = generate(modules::module_row("treble2"), random);
  EXPECT_EQ(q.answers, (std::array<std::string, 4>{"Fa", "Do", "Si", "La"}));
  EXPECT_EQ(q.image, "08_Do");
  EXPECT_EQ(random.left(), 0U);

  ScriptedSource single;  // La has one position in treble2: no draw after step 5's
  for (const int note : {4, 1, 7, 6}) {
    single.push_draw(note, 7);
  }
  single.push_draw(4, 4);
  q = generate(modules::module_row("treble2"), single);
  EXPECT_EQ(q.correct, "4");
  EXPECT_EQ(q.image, "13_La");
  EXPECT_EQ(single.left(), 0U);
}

TEST(NoteGenerator, ReAnswersCarryTheAccentAndItsPositionWordDoesNot) {
  ScriptedSource random;
  for (const int note : {2, 1, 3, 4}) {
    random.push_draw(note, 7);
  }
  random.push_draw(1, 4);
  random.push_draw(2, 4);
  const Question q = generate(modules::module_row("treble7"), random);
  EXPECT_EQ(q.answers[0], "Ré");
  EXPECT_EQ(q.image, "09_re");
}

TEST(NoteGenerator, InvariantsOverManyRunsOfEveryModule) {
  std::uint64_t tick = 0;
  ClockReseededSource random([&tick] { return tick++ / 50; });  // the clock rarely moves
  for (const ModuleRow& row : note_modules()) {
    const NoteVariant& variant = *row.notes;
    std::map<std::string, int> positions_named;
    std::array<int, 4> correct_places{};
    for (int run = 0; run < 3000; ++run) {
      const Question q = generate(row, random);
      const std::set<std::string> distinct(q.answers.begin(), q.answers.end());
      ASSERT_EQ(distinct.size(), 4U);
      ASSERT_EQ(q.hidden_notes, distinct) << "hidden note labels are the answers";
      ASSERT_EQ(q.image, q.sound);
      ASSERT_EQ(q.correct.size(), 1U);
      const int place = q.correct[0] - '0';
      ASSERT_TRUE(place >= 1 && place <= 4) << q.correct;
      ++correct_places[static_cast<std::size_t>(place - 1)];
      const int position = std::stoi(q.image.substr(0, 2));
      ASSERT_GE(position, variant.lowest_asked) << row.name << " " << q.image;
      ASSERT_LE(position, variant.highest_asked) << row.name << " " << q.image;
      ASSERT_EQ(q.image, position_name(variant.clef, position));
      const std::string& asked =
          notes()[static_cast<std::size_t>(note_of_position(variant.clef, position) - 1)]
              .answer.data();
      ASSERT_EQ(q.answers[static_cast<std::size_t>(place - 1)], asked);
      ++positions_named[q.image];
    }
    EXPECT_EQ(positions_named.size(),
              static_cast<std::size_t>(variant.highest_asked - variant.lowest_asked + 1))
        << row.name << " names every position of its range";
    for (const int count : correct_places) {
      EXPECT_GT(count, 600) << row.name << ": each correct place about 750 times";
    }
  }
}

// Position lists per module: Do, Ré, Mi, Fa, Sol, La, Si.
TEST(PositionTables, ComputedFromClefAndRangeMatchTheTeachersTable) {
  const std::map<std::string, std::string> expected = {
      {"treble2", "08 15|09|10|11|12|13|14"},
      {"treble3", "08 15|09 16|10 17|11 18|12 19|13|14"},
      {"treble4", "08 15 22|09 16|10 17|11 18|12 19|13 20|14 21"},
      {"treble5", "08 15 22|09 16|10 17|11 18|05 12 19|06 13 20|07 14 21"},
      {"treble6", "08 15 22 29|09 16 23|10 17 24|11 18 25|05 12 19 26|06 13 20 27|07 14 21 28"},
      {"treble7",
       "01 08 15 22 29|02 09 16 23|03 10 17 24|04 11 18 25|05 12 19 26|06 13 20 27|07 14 21 28"},
      {"bass2", "13 20|14|15|16|17|18|19"},
      {"bass3", "13 20|14|15|16|10 17|11 18|12 19"},
      {"bass4", "06 13 20|07 14|08 15|09 16|10 17|11 18|12 19"},
      {"bass5", "06 13 20|07 14 21|08 15 22|09 16 23|10 17|11 18|12 19"},
      {"bass6", "06 13 20|07 14 21|01 08 15 22|02 09 16 23|03 10 17|04 11 18|05 12 19"},
      {"bass7",
       "06 13 20 27|07 14 21 28|01 08 15 22 29|02 09 16 23|03 10 17 24|04 11 18 25|05 12 19 26"},
  };
  ASSERT_EQ(note_modules().size(), expected.size());
  for (const ModuleRow& row : note_modules()) {
    const NoteVariant& variant = *row.notes;
    const PositionTable table =
        position_table(variant.clef, variant.lowest_asked, variant.highest_asked);
    std::ostringstream text;
    for (std::size_t note = 0; note < table.size(); ++note) {
      text << (note > 0 ? "|" : "");
      for (std::size_t i = 0; i < table[note].size(); ++i) {
        text << (i > 0 ? " " : "") << (table[note][i] < 10 ? "0" : "") << table[note][i];
      }
    }
    EXPECT_EQ(text.str(), expected.at(std::string(row.name))) << row.name;
  }
}

TEST(Positions, NamesAndKeysOfBothClefs) {
  EXPECT_EQ(position_name(Clef::treble, 8), "08_Do");
  EXPECT_EQ(position_name(Clef::bass, 20), "20_Do");
  EXPECT_EQ(position_name(Clef::treble, 13), "13_La");
  EXPECT_EQ(position_name(Clef::bass, 13), "13_Do");
  EXPECT_EQ(position_name(Clef::bass, 1), "01_Mi");
  EXPECT_EQ(position_name(Clef::treble, 26), "26_Sol");
  EXPECT_EQ(midi_key_of_position(Clef::treble, 1), 48);
  EXPECT_EQ(midi_key_of_position(Clef::treble, 8), 60);
  EXPECT_EQ(midi_key_of_position(Clef::treble, 29), 96);
  EXPECT_EQ(midi_key_of_position(Clef::bass, 1), 28);
  EXPECT_EQ(midi_key_of_position(Clef::bass, 20), 60);
  EXPECT_EQ(midi_key_of_position(Clef::bass, 29), 76);
  for (const Clef clef : {Clef::treble, Clef::bass}) {
    for (int p = 2; p <= kHighestPosition; ++p) {
      const int step = midi_key_of_position(clef, p) - midi_key_of_position(clef, p - 1);
      EXPECT_TRUE(step == 1 || step == 2);
      const int key = midi_key_of_position(clef, p) % 12;
      EXPECT_TRUE(key != 1 && key != 3 && key != 6 && key != 8 && key != 10) << "white keys only";
    }
  }
  EXPECT_THROW(position_name(Clef::treble, 30), std::out_of_range);
}

}  // namespace
}  // namespace qz::note_reading
