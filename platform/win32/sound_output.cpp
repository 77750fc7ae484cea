// The Windows sound output: the system's MIDI and wave mappers.
#include "platform/sound_output.hpp"

#include "platform/win32/winmm_audio.hpp"

namespace qz::platform {

std::unique_ptr<AudioLayer> make_sound_output() { return std::make_unique<WinmmAudio>(); }

}  // namespace qz::platform
