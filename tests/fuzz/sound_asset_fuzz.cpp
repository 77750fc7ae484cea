// The JPEG check and the sound decoder, on any input: no crash or
// out-of-bounds read; a sound is decoded exactly when the build's check
// accepts it, into no more samples than the file has bytes, and is otherwise
// refused with a reason.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "resource_format/asset_checks.hpp"
#include "resource_format/sound.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  (void)qz::jpeg_problem(bytes);
  const auto problem = qz::sound_problem(bytes);
  try {
    const qz::Sound sound = qz::decode_sound(bytes);
    if (problem || sound.stereo_frames.size() > bytes.size() ||
        sound.stereo_frames.size() % 2 != 0) {
      std::abort();
    }
  } catch (const std::runtime_error& error) {
    if (!problem || std::string(error.what()) != *problem) {
      std::abort();  // refused without the check's reason
    }
  }
  return 0;
}
