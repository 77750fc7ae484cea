#include "platform/win32/window.hpp"

#include <stdexcept>

#include "platform/win32/wide.hpp"

namespace qz::platform {
namespace {

constexpr wchar_t kClassName[] = L"Form_jeu";
constexpr UINT_PTR kTimerId = 1;
// Posted to the window by its procedure when the window is asked to go: the
// message loop unloads Form_jeu, as the countdown's end does.
constexpr UINT kUnloadRequested = WM_APP + 1;

// 1440 twips to the inch, 96 pixels to the inch at 100 % scale.
int pixels(int twips) { return MulDiv(twips, 96, 1440); }

// The window is never destroyed from outside: a host that closes it, and a
// session that ends (log-off, shut-down), unload Form_jeu instead, so that
// the module stops and closes its sound devices and ends with status 0.
// Until then the module goes on, and a message that comes while the record
// is being written waits for the message loop, after it. Being asked whether
// the session may end is not its end: another program may still cancel it.
LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      ::PostMessageW(window, kUnloadRequested, 0, 0);
      return 0;
    case WM_QUERYENDSESSION:
      // Nothing to save: the record is on disk since the start.
      return TRUE;
    case WM_ENDSESSION:
      if (wparam != FALSE) {
        ::PostMessageW(window, kUnloadRequested, 0, 0);
      }
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

void register_class() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = window_procedure;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.hIcon = ::LoadIconW(window_class.hInstance, MAKEINTRESOURCEW(1));
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);  // NOLINT: the API's own constant
  window_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = kClassName;
  if (::RegisterClassExW(&window_class) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw windows_error(::GetLastError());
  }
}

}  // namespace

Win32Window::~Win32Window() { destroy(); }

void Win32Window::create(const Form_jeu& form) {
  register_class();
  RECT frame{0, 0, pixels(form.client.width), pixels(form.client.height)};
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  window_ = ::CreateWindowExW(0, kClassName, to_wide(form.Caption).c_str(), kStyle,
                              pixels(form.client.left), pixels(form.client.top),
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
  if (window_ == nullptr) {
    throw std::runtime_error("cannot create the window: " +
                             std::string(windows_error(::GetLastError()).what()));
  }
  if (form.Timer1.exists && form.Timer1.Enabled &&
      ::SetTimer(window_, kTimerId, static_cast<UINT>(form.Timer1.Interval), nullptr) == 0) {
    throw std::runtime_error("cannot start Timer1: " +
                             std::string(windows_error(::GetLastError()).what()));
  }
}

void Win32Window::run_events(Form_jeu& form) {
  // The system posts WM_TIMER only when the queue holds nothing else and
  // never more than one: a tick that fell due while a handler ran comes
  // once, after it.
  MSG message{};
  while (!form.unloaded() && form.Timer1.exists && form.Timer1.Enabled &&
         ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == window_ && message.wParam == kTimerId) {
      if (form.Timer1.Timer_tick) {
        form.Timer1.Timer_tick();
      }
      continue;
    }
    if (message.message == kUnloadRequested && message.hwnd == window_) {
      form.Unload();
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  destroy();
}

void Win32Window::destroy() {
  if (window_ != nullptr) {
    ::KillTimer(window_, kTimerId);
    ::DestroyWindow(window_);
    window_ = nullptr;
  }
}

}  // namespace qz::platform
