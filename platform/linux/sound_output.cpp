// The Linux sound output: FluidSynth and the General MIDI soundfont of the
// Debian packages, played through the PulseAudio server.
#include "platform/sound_output.hpp"

#include <array>

#include "platform/linux/fluid_setup.hpp"
#include "platform/linux/pulse_stream.hpp"

namespace qz::platform {
namespace {

// The note modules' notes as loud as the instruments' recordings. Measured
// (tools/measure_note_levels.py, and the capture of the sound server's sink):
// TimGM6mb's piano at velocity 80 and FluidSynth's default gain of 0.2
// reaches -44.5 dBFS RMS over its loudest 200 ms (the median key), and its
// samples differ by up to 7 dB from one group of keys to the next; the 25
// recordings sit at a median of -17.9 dBFS RMS. The key levels even the
// notes out to within 0.6 dB; this gain then puts a note 12 dB below the
// recordings, so that the note modules' 1200 (+12 dB, see Mixer::set_level)
// plays it at their level. Peaks stay below -5 dBFS: the limiter is idle.
constexpr double kSynthGain = 0.2 * 5.37;  // +14.6 dB
constexpr std::array<KeyLevel, 11> kKeyLevels = {{
    {28, 1.9F},   // keys 28-38
    {39, 0.0F},   // keys 39-44
    {45, 2.8F},   // keys 45-51
    {52, -0.1F},  // keys 52-69
    {70, -2.1F},  // keys 70-76
    {77, -0.9F},  // keys 77-80
    {81, -3.2F},  // keys 81-86
    {87, -0.2F},  // keys 87-90
    {91, 1.0F},   // keys 91-93
    {94, 2.1F},   // keys 94-95
    {96, 2.9F},   // key 96
}};

}  // namespace

FluidSetup fluid_setup() {
  return FluidSetup{// TimGM6mb is 6 MB and loads in about 50 ms; the 148 MB FluidR3 set
                    // sounds richer but would take half a second of every note module's life.
                    .soundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2",
                    // Named by its full path so that start-up can check that it is there.
                    .library_file = QZ_FLUIDSYNTH_LIBDIR "/libfluidsynth.so.3",
                    .library_signature =
                        "\x7f"
                        "ELF",
                    .open_stream = [](int sample_rate, int block_frames,
                                      RenderBlock render) -> std::unique_ptr<OutputStream> {
                      // A server that does not answer within 2 s is taken as none.
                      return std::make_unique<PulseStream>(
                          sample_rate, block_frames, std::move(render), std::chrono::seconds(2));
                    },
                    .synth_gain = kSynthGain,
                    .key_levels = {kKeyLevels.begin(), kKeyLevels.end()}};
}

std::unique_ptr<AudioLayer> make_sound_output() {
  return std::make_unique<FluidAudio>(fluid_setup());
}

}  // namespace qz::platform
