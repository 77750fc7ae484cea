// Decoding sound segments and mixing them into the output stream.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "note_reading/note_resources.hpp"
#include "platform/sound/mixer.hpp"
#include "platform/sound/segment.hpp"
#include "tests/support/wave.hpp"

namespace qz::platform {
namespace {

using testing::wave;

TEST(Segment, MidiAndWaveDecodeAndAnExtraChunkIsSkipped) {
  const auto note = decode_segment(note_reading::note_sound(60));
  EXPECT_EQ(note->kind, Segment::Kind::midi);
  for (const bool with_list : {false, true}) {
    const auto recording = decode_segment(wave(100, with_list));
    ASSERT_EQ(recording->kind, Segment::Kind::wave);
    ASSERT_EQ(recording->stereo_frames.size(), 200U);
    EXPECT_FLOAT_EQ(recording->stereo_frames[2 * 10], 1000.0F / 32768.0F);
    EXPECT_FLOAT_EQ(recording->stereo_frames[2 * 10 + 1], 0.25F);
  }
}

TEST(Segment, ARecordingWithAWildListChunkStillDecodes) {
  // The LIST chunk holds a list type of its own and an inner size far past
  // it: libsndfile's open never returned on this (found by the fuzzer); the
  // samples need nothing of it.
  std::string recording = wave(100, true);
  recording.replace(44, 12, std::string("I\0\0\0\xF7\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 12));
  EXPECT_EQ(decode_segment(recording)->stereo_frames.size(), 200U);
}

TEST(Segment, BrokenOrForeignSoundsAreReportedNotPlayedSilently) {
  const std::string note = note_reading::note_sound(60);
  EXPECT_THROW(decode_segment(note.substr(0, 40)), std::runtime_error);
  EXPECT_THROW(decode_segment("ID3 an mp3 file"), std::runtime_error);
  EXPECT_THROW(decode_segment(""), std::runtime_error);
  try {
    decode_segment(wave(10, false, 22050));
    FAIL();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "WAVE of 16 bits at 22050 Hz, 16 bits at 44100 Hz needed");
  }
  std::string longer = wave(10, false);
  longer[6] = '\x40';  // a RIFF size beyond the file: decoders look for chunks past its end
  EXPECT_THROW(decode_segment(longer), std::runtime_error);
  std::string cut = wave(1000, true);
  cut.resize(200);
  try {
    decode_segment(cut);
    FAIL();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "WAVE chunk \"data\" runs past the end of the file");
  }
}

TEST(Mixer, LevelIsInHundredthsOfADecibelAndNeverClips) {
  Mixer mixer;
  mixer.set_level(1200);
  std::vector<float> left = {0.1F, 0.2F, 0.5F, -0.9F};
  std::vector<float> right = {0.0F, -0.2F, 1.0F, 0.0F};
  mixer.process(left.data(), right.data(), 4);
  EXPECT_NEAR(left[0], 0.3981F, 0.001F);
  EXPECT_NEAR(left[1], 0.7962F, 0.001F);
  for (const float sample : {left[2], left[3], right[2]}) {
    EXPECT_GT(std::fabs(sample), 0.9F);
    EXPECT_LE(std::fabs(sample), 1.0F);
  }
  mixer.set_level(0);
  std::vector<float> quiet = {0.25F};
  mixer.process(quiet.data(), quiet.data(), 1);
  EXPECT_FLOAT_EQ(quiet[0], 0.25F) << "0 leaves the level unchanged";
  EXPECT_FLOAT_EQ(soft_limit(-0.5F), -0.5F);
}

TEST(Mixer, RecordingsAreAddedFrameByFrameUntilTheyEnd) {
  Mixer mixer;
  const auto recording = decode_segment(wave(6, true));
  mixer.start(recording);
  std::vector<float> left(4, 0.0F);
  std::vector<float> right(4, 0.01F);  // the synthesizer's share
  mixer.process(left.data(), right.data(), 4);
  EXPECT_FLOAT_EQ(left[3], 300.0F / 32768.0F);
  EXPECT_FLOAT_EQ(right[0], 0.26F);
  std::fill(left.begin(), left.end(), 0.0F);
  mixer.process(left.data(), right.data(), 4);
  EXPECT_FLOAT_EQ(left[1], 500.0F / 32768.0F);
  EXPECT_FLOAT_EQ(left[2], 0.0F) << "the recording has ended";
  mixer.start(recording);  // a second press plays it again
  std::fill(left.begin(), left.end(), 0.0F);
  mixer.process(left.data(), right.data(), 4);
  EXPECT_FLOAT_EQ(left[1], 100.0F / 32768.0F);
}

}  // namespace
}  // namespace qz::platform
