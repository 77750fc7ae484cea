#pragma once

#include <windows.h>

#include "shell/window.hpp"

namespace qz::platform {

// Form_jeu as a real top-level window of class "Form_jeu", sized from the
// layout's twips. It is never shown: the player looks at the host, and the
// labels hold the right answer. Timer1 is a SetTimer timer whose WM_TIMER
// messages the message loop hands to the tick handler; unloading destroys
// the window and ends the loop. WM_CLOSE, WM_QUERYENDSESSION and
// WM_ENDSESSION unload it as the countdown's end does.
class Win32Window final : public WindowBackend {
 public:
  Win32Window() = default;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;
  Win32Window(Win32Window&&) = delete;
  Win32Window& operator=(Win32Window&&) = delete;
  ~Win32Window() override;

  void create(const Form_jeu& form) override;
  void run_events(Form_jeu& form) override;

 private:
  void destroy();

  HWND window_ = nullptr;
};

}  // namespace qz::platform
