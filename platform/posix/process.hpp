#pragma once

#include <string>
#include <string_view>

namespace qz::platform {

// The folder that holds the running executable, without a trailing
// separator, whatever the current directory.
std::string executable_folder();

// One line on the standard error stream.
void write_error_line(std::string_view line);

}  // namespace qz::platform
