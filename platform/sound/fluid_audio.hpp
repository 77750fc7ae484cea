#pragma once

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/mixer.hpp"
#include "platform/sound/output_stream.hpp"
#include "shell/audio.hpp"

// FluidSynth's own type names, declared here so that users of this header
// need not see FluidSynth.
struct _fluid_hashtable_t;  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
struct _fluid_synth_t;      // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
struct _fluid_player_t;     // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

namespace qz::platform {

struct FluidLibrary;

// What the platform supplies to the synthesizer: where its files are and
// where its sound goes.
struct FluidSetup {
  std::string soundfont;         // a General MIDI soundfont file
  std::string library_file;      // FluidSynth's shared library
  OpenOutputStream open_stream;  // the machine's sound output
};

// Sound through FluidSynth: MIDI segments play on a General MIDI synthesizer,
// WAVE segments are mixed into the same output stream.
class FluidAudio final : public AudioLayer {
 public:
  explicit FluidAudio(FluidSetup setup);
  ~FluidAudio() override;
  FluidAudio(const FluidAudio&) = delete;
  FluidAudio& operator=(const FluidAudio&) = delete;
  FluidAudio(FluidAudio&&) = delete;
  FluidAudio& operator=(FluidAudio&&) = delete;

  // Opens the output stream; the synthesizer and its soundfont are made
  // ready in the background so that start-up does not hold back the record.
  void start(const std::string& module_file_path) override;
  void load_segment(const std::string& module_file_path, std::string_view name) override;
  void play_segment() override;
  void set_master_volume(int hundredths_of_db) override;

  // Starts making the synthesizer ready in the background (start() does).
  void start_synthesizer();
  // Waits until the synthesizer is ready; throws what went wrong making it.
  void wait_for_synthesizer();
  // One block as the output stream takes it, also for machines without a
  // sound server (benchmarks): buffers zeroed, `frames` samples each.
  void render(float* left, float* right, int frames);

 private:
  void make_synthesizer();

  FluidSetup setup_;
  const FluidLibrary* fluid_ = nullptr;
  _fluid_hashtable_t* settings_ = nullptr;
  std::atomic<_fluid_synth_t*> synth_{nullptr};  // set once ready, read by the stream
  std::future<void> synthesizer_ready_;
  std::string synthesizer_problem_;
  std::vector<_fluid_player_t*> players_;  // kept to the end: released segments play on
  std::shared_ptr<const Segment> current_;
  Mixer mixer_;
  std::unique_ptr<OutputStream> stream_;  // last: stopped first
};

}  // namespace qz::platform
