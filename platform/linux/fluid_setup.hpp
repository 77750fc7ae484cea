#pragma once

#include "platform/linux/sound/fluid_audio.hpp"

namespace qz::platform {

// The synthesizer's files and output on this platform.
FluidSetup fluid_setup();

}  // namespace qz::platform
