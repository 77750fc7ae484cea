/* Ends the session for the question modules of this Wine prefix as Windows
 * does at log-off: each window of class Form_jeu is asked whether the
 * session may end (WM_QUERYENDSESSION), then told whether it ends
 * (WM_ENDSESSION). With the argument "cancel", it is told that the session
 * goes on, as when another program refused the end. Prints "may end" or
 * "may not end" for each window; exits 1 when it found none. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static BOOL cancelled;

static BOOL CALLBACK end_session(HWND window, LPARAM found) {
  WCHAR name[16];
  if (GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"Form_jeu") == 0) {
    DWORD_PTR may_end = FALSE;
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                        &may_end);
    SendMessageTimeoutW(window, WM_ENDSESSION, may_end && !cancelled, ENDSESSION_LOGOFF,
                        SMTO_ABORTIFHUNG, 5000, NULL);
    printf(may_end ? "may end\n" : "may not end\n");
    ++*(int*)found;
  }
  return TRUE;
}

int main(int argc, char** argv) {
  int found = 0;
  cancelled = argc > 1 && strcmp(argv[1], "cancel") == 0;
  EnumWindows(end_session, (LPARAM)&found);
  return found > 0 ? 0 : 1;
}
