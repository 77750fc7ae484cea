#pragma once

#include <functional>
#include <memory>

#include "shell/module.hpp"

namespace qz {

using AudioFactory = std::function<std::unique_ptr<AudioLayer>()>;

// The process body of every module: binds the machine's files, clock,
// window and error report to the module and runs it. Modules with sound pass
// their sound output; the others link none. Returns the exit status.
// `random` replaces the clock-reseeded draws, for test programs only.
int module_main(const ModuleDescriptor& module, const AudioFactory& make_audio = {},
                UniformSource* random = nullptr);

}  // namespace qz
