// Reading the sounds the modules carry: the MIDI events and the WAVE frames
// a player takes, and what makes a file unplayable.
#include <gtest/gtest.h>

#include "note_reading/note_resources.hpp"
#include "resource_format/midi_file.hpp"
#include "resource_format/wave_file.hpp"
#include "tests/support/wave.hpp"

namespace qz {
namespace {

using Kind = MidiEvent::Kind;

TEST(MidiFile, NoteSoundIsTempoProgramNoteOnAndNoteOffInTimeOrder) {
  const MidiSequence sequence = parse_midi(note_reading::note_sound(60));
  EXPECT_EQ(sequence.ticks_per_quarter, 240);
  ASSERT_EQ(sequence.events.size(), 4U);
  EXPECT_EQ(sequence.events[0].kind, Kind::tempo);
  EXPECT_EQ(sequence.events[0].value, 600000U);
  EXPECT_EQ(sequence.events[1].value, 0xC0U);      // program 0 on channel 1
  EXPECT_EQ(sequence.events[2].value, 0x503C90U);  // note on, key 60, velocity 80
  EXPECT_EQ(sequence.events[3].tick, 768U);
  EXPECT_EQ(sequence.events[3].value, 0x403C80U);
}

TEST(MidiFile, RunningStatusIsReadAndBrokenEventsAreNamed) {
  const std::string header("MThd\0\0\0\6\0\0\0\1\0\x60", 14);
  // Two note-ons, the second by running status, then the end of the track.
  const std::string track("\0\x90\x3C\x40\x10\x3E\x40\0\xFF\x2F\0", 11);
  const MidiSequence sequence = parse_midi(header + "MTrk" + std::string("\0\0\0\x0B", 4) + track);
  ASSERT_EQ(sequence.events.size(), 2U);
  EXPECT_EQ(sequence.events[1].tick, 16U);
  EXPECT_EQ(sequence.events[1].value, 0x403E90U);

  const std::string cut = header + "MTrk" + std::string("\0\0\0\3", 4) + track.substr(0, 3);
  EXPECT_THROW(
      {
        try {
          parse_midi(cut);
        } catch (const std::runtime_error& error) {
          EXPECT_STREQ(error.what(), "MIDI track 1: an event runs past the end of the track");
          throw;
        }
      },
      std::runtime_error);
}

TEST(WaveFile, FramesFollowWhateverChunksStandBeforeThem) {
  for (const bool with_list : {false, true}) {
    const std::string bytes = testing::wave(10, with_list);
    const WaveSound sound = parse_wave(bytes);
    EXPECT_EQ(sound.channels, 2);
    ASSERT_EQ(sound.samples.size(), 40U);
    EXPECT_EQ(sound.samples.substr(4, 2), std::string("\x64\0", 2));  // left of frame 1: 100
  }
  EXPECT_THROW(parse_wave(testing::wave(10, false, 22050)), std::runtime_error);
}

}  // namespace
}  // namespace qz
