// From the press of the sound button to the first sample of the note leaving
// the synthesizer: loading the segment from the module file, starting it,
// and rendering blocks as the output stream does. The stream's own buffer
// (two blocks, 46 ms at most) comes on top.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>

#include "platform/linux/fluid_setup.hpp"
#include "platform/resource_file.hpp"

namespace {

constexpr int kBlockFrames = 1024;

void BM_PressToFirstSample(benchmark::State& state) {
  const std::string module_file = std::string(QZ_BIN_DIR) + "/Treble7.exe";
  double frames_until_sound = 0;
  std::unique_ptr<qz::platform::FluidAudio> synthesizer;
  for (auto _ : state) {
    state.PauseTiming();  // a fresh synthesizer each time, so no note still rings
    synthesizer = std::make_unique<qz::platform::FluidAudio>(qz::platform::fluid_setup());
    synthesizer->make_synthesizer();
    state.ResumeTiming();

    qz::platform::FluidAudio& audio = *synthesizer;
    audio.load_segment(qz::platform::ResourceFile(module_file).read("DMSEG", "08_Do"));
    audio.play_segment();
    audio.set_master_volume(1200);
    std::array<float, kBlockFrames> left{};
    std::array<float, kBlockFrames> right{};
    int frames = 0;
    for (bool heard = false; !heard && frames < 44100; frames += kBlockFrames) {
      left.fill(0.0F);
      right.fill(0.0F);
      audio.render(left.data(), right.data(), kBlockFrames);
      for (const float sample : left) {
        heard = heard || std::fabs(sample) > 1e-4F;
      }
    }
    frames_until_sound = frames;
  }
  state.counters["frames_rendered_until_sound"] = frames_until_sound;
}
BENCHMARK(BM_PressToFirstSample)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
