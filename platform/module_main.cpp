#include "platform/module_main.hpp"

#include <exception>
#include <string>

#include "platform/posix/clock.hpp"
#include "platform/posix/files.hpp"
#include "platform/posix/process.hpp"
#include "platform/silent_audio.hpp"

namespace qz {

int module_main(const ModuleDescriptor& module) {
  try {
    platform::PosixFileSystem files;
    platform::SystemClock clock;
    ClockReseededSource random([&clock] { return clock.seed_ticks(); });
    ModuleEnvironment environment{platform::executable_folder(),
                                  files,
                                  clock,
                                  random,
                                  [] { return std::make_unique<platform::SilentAudio>(); },
                                  platform::write_error_line};
    return run_module(module, environment);
  } catch (const std::exception& error) {
    platform::write_error_line(std::string(module.literal) + ": " + error.what());
    return 1;
  }
}

}  // namespace qz
