#pragma once

#include "shell/form.hpp"

// The windows of the four bank modules. A window with Timer1 gets its
// Label_timer caption from the module's countdown.
namespace qz::banks::instruments {
extern const WindowLayout window_layout;  // sound button and Timer1
}
namespace qz::banks::theorie {
extern const WindowLayout window_layout;  // Label_timer shows 10, but no timer runs
}
namespace qz::banks::oeuvres {
extern const WindowLayout window_layout;
}
namespace qz::banks::portraits {
extern const WindowLayout window_layout;
}
