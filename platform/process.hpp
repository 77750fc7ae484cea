#pragma once

#include <string>
#include <string_view>

namespace qz::platform {

// Services of the running process, implemented by each platform's backend.

// The path of the file `name` in the folder of the running executable,
// whatever the current directory: the exchange file and the module file are
// found there.
std::string path_beside_executable(std::string_view name);

// The module's error report: one line, on the standard error stream (and,
// on a desktop platform, shown to the user under `title`).
void report_error(std::string_view title, std::string_view line);

}  // namespace qz::platform
