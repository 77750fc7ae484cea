#include "platform/module_main.hpp"

#include <exception>
#include <stdexcept>
#include <string>

#include "platform/posix/clock.hpp"
#include "platform/posix/files.hpp"
#include "platform/posix/process.hpp"

namespace qz {

int module_main(const ModuleDescriptor& module, const AudioFactory& make_audio,
                UniformSource* random) {
  try {
    platform::PosixFileSystem files;
    platform::SystemClock clock;
    ClockReseededSource clock_random([&clock] { return clock.seed_ticks(); });
    ModuleEnvironment environment{
        platform::executable_folder(),
        files,
        clock,
        random != nullptr ? *random : clock_random,
        [&make_audio]() -> std::unique_ptr<platform::AudioLayer> {
          if (!make_audio) {
            throw std::logic_error("this module was built without sound output");
          }
          return make_audio();
        },
        platform::write_error_line};
    return run_module(module, environment);
  } catch (const std::exception& error) {
    platform::write_error_line(std::string(module.literal) + ": " + error.what());
    return 1;
  }
}

}  // namespace qz
