#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/sound/mixer.hpp"
#include "platform/linux/sound/output_stream.hpp"
#include "shell/audio.hpp"

namespace qz::platform {

// How loud a soundfont plays its piano from one key to the next: from
// `first_key` up to the next entry's, notes are corrected by `correction_db`.
struct KeyLevel {
  int first_key;
  float correction_db;
};

// What the platform supplies to the synthesizer: where its files are, where
// its sound goes, and how loud its soundfont plays.
struct FluidSetup {
  std::string soundfont;             // a General MIDI soundfont file
  std::string library_file;          // FluidSynth's shared library
  std::string library_signature;     // the first bytes of any shared library here
  OpenOutputStream open_stream;      // the machine's sound output
  double synth_gain = 0.2;           // FluidSynth's synth.gain (its default 0.2)
  std::vector<KeyLevel> key_levels;  // ascending; none: every key as it plays
};

// The gain that evens out the note of MIDI key `key` (decibels turned into a
// factor): the correction of the last entry at or below the key, 1 below
// them all.
float key_level_gain(const std::vector<KeyLevel>& levels, int key);

// Sound through FluidSynth: MIDI segments play on a General MIDI synthesizer,
// WAVE segments are mixed into the same output stream.
class FluidAudio final : public AudioLayer {
 public:
  explicit FluidAudio(FluidSetup setup);
  // Stops the output stream first: it renders from the synthesizer.
  ~FluidAudio() override;
  FluidAudio(const FluidAudio&) = delete;
  FluidAudio& operator=(const FluidAudio&) = delete;
  FluidAudio(FluidAudio&&) = delete;
  FluidAudio& operator=(FluidAudio&&) = delete;

  // For MIDI sounds, makes the synthesizer first (make_synthesizer()), so
  // that a module whose FluidSynth, a library it loads or soundfont cannot
  // be loaded fails before it touches the exchange file; recordings need
  // none of it. Then opens the output stream.
  void start(Sound::Kind sounds) override;
  // Makes the synthesizer for a MIDI segment if start() did not.
  void load_segment(std::string bytes) override;
  void play_segment() override;
  void set_master_volume(int hundredths_of_db) override;

  // Checks from their first bytes that the soundfont and the synthesizer's
  // library are there, readable and what they should be, then loads
  // FluidSynth and the soundfont and makes the synthesizer, once; throws
  // naming what failed.
  void make_synthesizer();
  // One block as the output stream takes it, also for machines without a
  // sound server (benchmarks, offline rendering): buffers zeroed, `frames`
  // samples each.
  void render(float* left, float* right, int frames);

 private:
  struct Synthesizer;

  FluidSetup setup_;
  std::unique_ptr<Synthesizer> synthesizer_;
  std::atomic<bool> synthesizer_made_{false};  // read by the stream before synthesizer_
  std::shared_ptr<const Sound> current_;
  std::atomic<float> synth_level_{1.0F};  // the playing note's key level, read by the stream
  Mixer mixer_;
  std::unique_ptr<OutputStream> stream_;  // last: stopped first
};

}  // namespace qz::platform
