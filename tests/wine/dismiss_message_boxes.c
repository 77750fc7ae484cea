/* Closes every message box that shows up, as a user clicking OK would, until
 * it is killed. The tests run it in the Wine prefix of the modules they
 * start: a failing module reports in a message box, which would otherwise
 * wait for ever on a machine without a display. */
#include <windows.h>

static BOOL CALLBACK press_ok(HWND window, LPARAM unused) {
  (void)unused;
  WCHAR name[16];
  if (GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0) {
    PostMessageW(window, WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

int main(void) {
  for (;;) {
    EnumWindows(press_ok, 0);
    Sleep(100);
  }
}
