// The POSIX sound output: FluidSynth and the General MIDI soundfont of the
// Debian packages, played through the PulseAudio server.
#include "platform/sound_output.hpp"

#include "platform/posix/fluid_setup.hpp"
#include "platform/posix/pulse_stream.hpp"

namespace qz::platform {

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
                    }};
}

std::unique_ptr<AudioLayer> make_sound_output() {
  return std::make_unique<FluidAudio>(fluid_setup());
}

}  // namespace qz::platform
