// Reading the sounds the modules carry: the MIDI events and the WAVE frames
// a player takes, decoded once for every sound output, and what makes a file
// unplayable.
#include <gtest/gtest.h>

#include "note_reading/note_resources.hpp"
#include "resource_format/midi_file.hpp"
#include "resource_format/sound.hpp"
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

TEST(Sound, MidiAndWaveDecodeAndAnExtraChunkIsSkipped) {
  const Sound note = decode_sound(note_reading::note_sound(60));
  EXPECT_EQ(note.kind, Sound::Kind::midi);
  EXPECT_EQ(note.midi_key, 60);
  EXPECT_EQ(note.midi.events.size(), 4U);
  for (const bool with_list : {false, true}) {
    const Sound recording = decode_sound(testing::wave(100, with_list));
    ASSERT_EQ(recording.kind, Sound::Kind::wave);
    ASSERT_EQ(recording.stereo_frames.size(), 200U);
    EXPECT_EQ(recording.stereo_frames[2 * 10], 1000);
    EXPECT_EQ(recording.stereo_frames[2 * 10 + 1], 8192);  // a quarter of full scale
  }
}

TEST(Sound, ARecordingWithAWildListChunkStillDecodes) {
  // The LIST chunk holds a list type of its own and an inner size far past
  // it: libsndfile's open never returned on this (found by the fuzzer); the
  // samples need nothing of it.
  std::string recording = testing::wave(100, true);
  recording.replace(44, 12, std::string("I\0\0\0\xF7\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 12));
  EXPECT_EQ(decode_sound(recording).stereo_frames.size(), 200U);
}

TEST(Sound, BrokenOrForeignSoundsAreReportedNotPlayedSilently) {
  const std::string note = note_reading::note_sound(60);
  EXPECT_THROW(decode_sound(note.substr(0, 40)), std::runtime_error);
  EXPECT_THROW(decode_sound("ID3 an mp3 file"), std::runtime_error);
  EXPECT_THROW(decode_sound(""), std::runtime_error);
  try {
    decode_sound(testing::wave(10, false, 22050));
    FAIL();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "WAVE of 16 bits at 22050 Hz, 16 bits at 44100 Hz needed");
  }
  std::string longer = testing::wave(10, false);
  longer[6] = '\x40';  // a RIFF size beyond the file: decoders look for chunks past its end
  EXPECT_THROW(decode_sound(longer), std::runtime_error);
  std::string cut = testing::wave(1000, true);
  cut.resize(200);
  try {
    decode_sound(cut);
    FAIL();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "WAVE chunk \"data\" runs past the end of the file");
  }
  // A damaged chunk id is quoted escaped: the error line stays one line.
  cut.replace(cut.find("data"), 4, "\nA\x01\\");
  try {
    decode_sound(cut);
    FAIL();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "WAVE chunk \"\\x0aA\\x01\\\\\" runs past the end of the file");
  }
}

}  // namespace
}  // namespace qz
