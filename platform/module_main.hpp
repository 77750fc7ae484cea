#pragma once

#include "shell/module.hpp"

namespace qz {

// The process body of every module: binds the machine's files, clock, audio
// and error stream to the module and runs it. Returns the exit status.
int module_main(const ModuleDescriptor& module);

}  // namespace qz
