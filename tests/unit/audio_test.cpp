// Mixing recordings into the output stream, and how loud the synthesizer
// plays the notes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "note_reading/note_resources.hpp"
#include "platform/linux/fluid_setup.hpp"
#include "platform/linux/sound/mixer.hpp"
#include "resource_format/wave_file.hpp"
#include "tests/support/wave.hpp"

namespace qz::platform {
namespace {

using testing::wave;

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
  const auto recording = std::make_shared<const Sound>(decode_sound(wave(6, true)));
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

// Level in dBFS of mono samples: RMS over all of them, or over their
// loudest 200 ms.
double level_db(const std::vector<double>& mono, bool loudest_200_ms) {
  const std::size_t window = loudest_200_ms ? kSampleRate / 5 : mono.size();
  double sum = 0;
  double loudest = 0;
  for (std::size_t i = 0; i < mono.size(); ++i) {
    sum += mono[i] * mono[i];
    if (i >= window) {
      sum -= mono[i - window] * mono[i - window];
    }
    if (i + 1 >= window) {
      loudest = std::max(loudest, sum / static_cast<double>(window));
    }
  }
  return 10 * std::log10(loudest);
}

// The median level of the instruments' recordings, which a note must match.
double recordings_level_db() {
  std::vector<double> levels;
  for (const auto& entry : std::filesystem::directory_iterator(
           std::filesystem::path(QZ_SOURCE_DIR) / "resources/instruments/sounds")) {
    std::ostringstream bytes;
    bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
    const std::string file = bytes.str();
    const WaveSound sound = parse_wave(file);
    std::vector<double> mono;
    for (std::size_t at = 0; at + 3 < sound.samples.size(); at += 4) {
      const auto left = static_cast<std::int16_t>(testing::little_endian_at(sound.samples, at));
      const auto right =
          static_cast<std::int16_t>(testing::little_endian_at(sound.samples, at + 2));
      mono.push_back((left + right) / 2.0 / 32768.0);
    }
    levels.push_back(level_db(mono, false));
  }
  std::sort(levels.begin(), levels.end());
  return levels[levels.size() / 2];
}

TEST(NoteLevel, EveryKeyTheModulesPlayIsAsLoudAsTheRecordingsAndNeverClips) {
  const double reference = recordings_level_db();
  std::vector<int> keys;
  for (const auto clef : {note_reading::Clef::bass, note_reading::Clef::treble}) {
    for (int position = note_reading::kLowestPosition; position <= note_reading::kHighestPosition;
         ++position) {
      keys.push_back(note_reading::midi_key_of_position(clef, position));
    }
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());  // 28 to 96
  FluidAudio audio(fluid_setup());
  audio.make_synthesizer();
  constexpr std::size_t kBlock = 1024;
  for (const int key : keys) {
    audio.load_segment(note_reading::note_sound(key));
    audio.play_segment();
    audio.set_master_volume(1200);  // the note modules' level
    std::vector<double> mono;
    float peak = 0;
    for (std::size_t block = 0; block < std::size_t{2} * kSampleRate / kBlock; ++block) {
      std::vector<float> left(kBlock);
      std::vector<float> right(kBlock);
      audio.render(left.data(), right.data(), static_cast<int>(kBlock));
      for (std::size_t i = 0; i < kBlock; ++i) {
        mono.push_back((left[i] + right[i]) / 2.0);
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
      }
    }
    const double level = level_db(mono, true);
    EXPECT_NEAR(level, reference, 3.0)
        << "key " << key << " against the recordings' " << reference << " dBFS";
    EXPECT_LT(peak, 0.9F) << "key " << key << ": the limiter would squash the note";
  }
}

}  // namespace
}  // namespace qz::platform
