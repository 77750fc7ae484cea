// The MIDI, WAVE and JPEG checks and their chunk walkers, and the decoding of
// sound resources, on any input: no crash or out-of-bounds read; a sound is
// decoded only when its own check accepts it, into no more samples than the
// file has bytes, and is otherwise refused with a reason.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/sound/segment.hpp"
#include "resource_format/asset_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  (void)qz::jpeg_problem(bytes);
  const auto midi_problem = qz::midi_problem(bytes);
  const auto wave_problem = qz::wave_problem(bytes);
  try {
    const auto segment = qz::platform::decode_segment(bytes);
    const bool accepted =
        segment->kind == qz::platform::Segment::Kind::midi ? !midi_problem : !wave_problem;
    if (!accepted || segment->stereo_frames.size() > bytes.size() ||
        segment->stereo_frames.size() % 2 != 0) {
      std::abort();
    }
  } catch (const std::runtime_error& error) {
    if (std::string(error.what()).empty()) {
      std::abort();  // refused without a reason
    }
  }
  return 0;
}
