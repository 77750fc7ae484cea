/* Ends the session for the question modules of this Wine prefix as Windows
 * does at log-off: each window of class Form_jeu is asked whether the
 * session may end (WM_QUERYENDSESSION), then told that it ends
 * (WM_ENDSESSION). Prints "may end" or "may not end" for each window;
 * exits 1 when it found none. */
#include <stdio.h>
#include <windows.h>

static BOOL CALLBACK end_session(HWND window, LPARAM found) {
  WCHAR name[16];
  if (GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"Form_jeu") == 0) {
    DWORD_PTR may_end = FALSE;
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                        &may_end);
    SendMessageTimeoutW(window, WM_ENDSESSION, may_end, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                        NULL);
    printf(may_end ? "may end\n" : "may not end\n");
    ++*(int*)found;
  }
  return TRUE;
}

int main(void) {
  int found = 0;
  EnumWindows(end_session, (LPARAM)&found);
  return found > 0 ? 0 : 1;
}
