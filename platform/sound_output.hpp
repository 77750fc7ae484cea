#pragma once

#include <memory>

#include "shell/audio.hpp"

namespace qz::platform {

// The sound output of the modules that play, from this platform's backend.
std::unique_ptr<AudioLayer> make_sound_output();

}  // namespace qz::platform
