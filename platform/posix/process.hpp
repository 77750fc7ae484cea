#pragma once

#include <string>
#include <string_view>

namespace qz::platform {

// The folder that holds the running executable, without a trailing
// separator, whatever the current directory.
std::string executable_folder();

// Lets the calling thread run only when the others leave a core idle: for
// background work that must not slow down the request.
void lower_this_thread_priority();

// One line on the standard error stream.
void write_error_line(std::string_view line);

}  // namespace qz::platform
