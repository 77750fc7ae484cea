#pragma once

#include <memory>
#include <string>

#include "shell/clock.hpp"
#include "shell/files.hpp"
#include "shell/window.hpp"

namespace qz::platform {

// What one module run takes from the machine, made by the backend this
// program was built for: platform/linux or platform/win32, chosen by the
// build. The sound output is made apart (sound_output.hpp) so that modules
// without sound link none.
struct System {
  std::unique_ptr<FileSystem> files;
  std::unique_ptr<Clock> clock;
  std::unique_ptr<CloseRequests> close_requests;  // where the window has none of its own
  std::unique_ptr<WindowBackend> window;          // after the clock and requests it may use
};

System make_system();

}  // namespace qz::platform
