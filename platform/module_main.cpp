#include "platform/module_main.hpp"

#include <exception>
#include <stdexcept>
#include <string>

#include "platform/process.hpp"
#include "platform/resource_file.hpp"
#include "platform/system.hpp"
#include "resource_format/escaped.hpp"
#include "shell/record.hpp"

namespace qz {

int module_main(const ModuleDescriptor& module, const AudioFactory& make_audio,
                UniformSource* random) {
  const auto report = [&module](std::string_view line) {
    platform::report_error(module.literal, line);
  };
  try {
    platform::System system = platform::make_system();
    ClockReseededSource clock_random([&system] { return system.clock->seed_ticks(); });
    ModuleEnvironment environment{
        .exchange_file = platform::path_beside_executable(kExchangeFileName),
        .files = *system.files,
        .random = random != nullptr ? *random : clock_random,
        .window = *system.window,
        .open_resources = [&module]() -> std::unique_ptr<ModuleResources> {
          return std::make_unique<platform::ResourceFile>(
              platform::path_beside_executable(module.literal));
        },
        .make_audio = [&make_audio]() -> std::unique_ptr<AudioLayer> {
          if (!make_audio) {
            throw std::logic_error("this module was built without sound output");
          }
          return make_audio();
        },
        .report_error = report};
    return run_module(module, environment);
  } catch (const std::exception& error) {
    report(one_line(std::string(module.literal) + ": " + error.what()));
    return kStatusFailed;
  }
}

}  // namespace qz
