/* sample_host.c: a small quiz host that puts one question of a question
 * module, doing what a real host does, and prints what it got:
 *
 *   sample_host C:\Quiz\Treble7.exe [WAIT_LIMIT_SECONDS]
 *
 *   1. writes the request into question.qzd beside the module;
 *   2. starts the module and waits for it to end, at most the wait limit
 *      (20 s unless given); past it, closes the module's windows, which
 *      ends a module cleanly, and only then ends the process by force;
 *   3. reads question.qzd and decodes the record (quiz_record.c);
 *   4. finds the picture in the module file the record names and loads it
 *      as a picture, as a host that shows it would (OleLoadPicture).
 *
 * It exits with 0 when all four went well, 1 otherwise, naming the cause.
 *
 * Build it, in this folder, with mingw-w64 for 32-bit Windows (which also
 * runs on 64-bit Windows), for 64-bit Windows, or with Microsoft C; each
 * command is one line:
 *   i686-w64-mingw32-gcc -municode -o sample_host.exe sample_host.c quiz_record.c -lole32 -loleaut32 -luuid -lgdi32
 *   x86_64-w64-mingw32-gcc -municode -o sample_host.exe sample_host.c quiz_record.c -lole32 -loleaut32 -luuid -lgdi32
 *   cl sample_host.c quiz_record.c user32.lib gdi32.lib ole32.lib oleaut32.lib uuid.lib
 */
#define COBJMACROS /* COM methods called from C: IPicture_get_Handle(...) */
#include <windows.h>

#include <ole2.h>
#include <olectl.h>
#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>

#include "quiz_record.h"

/* Prints one line: to the console as it is, to a file or a pipe in UTF-8. */
static void print_line(const WCHAR *format, ...) {
  WCHAR line[2048];
  va_list arguments;
  va_start(arguments, format);
  _vsnwprintf(line, 2046, format, arguments);
  va_end(arguments);
  line[2045] = L'\0';
  wcscat(line, L"\r\n");
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written, mode;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, line, (DWORD)wcslen(line), &written, NULL);
    return;
  }
  char utf8[3 * 2048];
  int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, NULL, NULL);
  if (size > 1) {
    WriteFile(out, utf8, (DWORD)(size - 1), &written, NULL);
  }
}

/* The exit code a module ended by force gets from this host: none of
 * those the module gives (0, 1, 2). */
#define ENDED_BY_HOST 3

static double seconds_since(ULONGLONG start) { return (double)(GetTickCount64() - start) / 1000.0; }

/* 1. The request. The host must close question.qzd before it starts the
 * module: a module that finds it still open by the host fails after about
 * a second. */
static BOOL write_request(const WCHAR *exchange_file) {
  HANDLE file = CreateFileW(exchange_file, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) {
    return FALSE;
  }
  DWORD written;
  BOOL done = WriteFile(file, QUIZ_REQUEST, (DWORD)strlen(QUIZ_REQUEST), &written, NULL);
  CloseHandle(file);
  return done && written == strlen(QUIZ_REQUEST);
}

/* Asks the module's window to close, as its close box would: Form_jeu, or
 * the message box of a failure waiting for a click (class #32770). The
 * process has other windows of the system's own ("Default IME"), which a
 * close does not end. */
static BOOL CALLBACK close_module_window(HWND window, LPARAM process_id) {
  DWORD owner = 0;
  WCHAR name[16];
  GetWindowThreadProcessId(window, &owner);
  if (owner == (DWORD)process_id && GetClassNameW(window, name, 16) > 0 &&
      (lstrcmpW(name, L"Form_jeu") == 0 || lstrcmpW(name, L"#32770") == 0)) {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

/* 2. Starts the module and waits for it. The module's own error line, if
 * it fails, comes on the standard error stream the host gives it: a pipe
 * here, read once the module has ended (the line is short). Returns the
 * exit code, or -1 when the module could not be started. */
static int run_module(WCHAR *module, const WCHAR *folder, DWORD wait_limit_ms, char *error_line,
                      DWORD error_line_size) {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
  HANDLE error_read, error_write;
  if (!CreatePipe(&error_read, &error_write, &inheritable, 0)) {
    return -1;
  }
  SetHandleInformation(error_read, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = NULL;
  startup.hStdOutput = NULL;
  startup.hStdError = error_write;
  PROCESS_INFORMATION process;
  WCHAR command_line[MAX_PATH + 3];
  _snwprintf(command_line, MAX_PATH + 2, L"\"%ls\"", module);
  command_line[MAX_PATH + 2] = L'\0';
  ULONGLONG started = GetTickCount64();
  BOOL created =
      CreateProcessW(module, command_line, NULL, NULL, TRUE, 0, NULL, folder, &startup, &process);
  DWORD error = GetLastError();
  CloseHandle(error_write); /* the module holds the only writer now */
  if (!created) {
    CloseHandle(error_read);
    SetLastError(error);
    return -1;
  }

  if (WaitForSingleObject(process.hProcess, wait_limit_ms) == WAIT_TIMEOUT) {
    /* Closing the module's windows (Form_jeu, or the message box of a
     * failure waiting for a click) ends it as the end of its countdown
     * does: sound stopped, devices closed, exit code 0 once its record is
     * written. Ending the process by force instead may leave a note
     * sounding on the synthesizer and a temporary file beside
     * question.qzd. */
    double closed_at = seconds_since(started);
    /* The window may not exist yet (a module just started), or the message
     * box not yet: the close is posted again until the module ends. */
    ULONGLONG closing = GetTickCount64();
    DWORD waited;
    do {
      EnumWindows(close_module_window, (LPARAM)process.dwProcessId);
      waited = WaitForSingleObject(process.hProcess, QUIZ_CLOSE_REPEAT_MS);
    } while (waited == WAIT_TIMEOUT && GetTickCount64() - closing < QUIZ_CLOSE_WAIT_MS);
    if (waited == WAIT_TIMEOUT) {
      TerminateProcess(process.hProcess, ENDED_BY_HOST);
      WaitForSingleObject(process.hProcess, INFINITE);
      print_line(L"wait limit: closed the module's windows at %.2f s, ended it by force",
                 closed_at);
    } else {
      print_line(L"wait limit: closed the module's windows at %.2f s, it ended %.2f s later",
                 closed_at, seconds_since(started) - closed_at);
    }
  }
  DWORD exit_code = QUIZ_EXIT_FAILED;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  DWORD size = 0;
  error_line[0] = '\0';
  if (ReadFile(error_read, error_line, error_line_size - 1, &size, NULL)) {
    error_line[size] = '\0';
  }
  CloseHandle(error_read);
  return (int)exit_code;
}

/* 3. The record. Returns FALSE when question.qzd holds no whole record. */
static BOOL read_record(const WCHAR *exchange_file, QuizRecord *record) {
  char bytes[65536];
  DWORD size = 0;
  HANDLE file = CreateFileW(exchange_file, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) {
    return FALSE;
  }
  BOOL read = ReadFile(file, bytes, sizeof bytes, &size, NULL);
  CloseHandle(file);
  return read && quiz_record_decode(bytes, size, record);
}

/* 4. The picture, loaded from the module file as data (never run), and
 * decoded as a picture; its size in pixels goes to `width` and `height`.
 * As data, not as an image (LOAD_LIBRARY_AS_IMAGE_RESOURCE): an image of the
 * other architecture is refused (ERROR_BAD_EXE_FORMAT, 193), and a 32-bit
 * host on 64-bit Windows must read the 64-bit modules too. */
static BOOL load_picture(const WCHAR *module_file, const WCHAR *picture, LONG *width,
                         LONG *height) {
  HMODULE file = LoadLibraryExW(module_file, NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (file == NULL) {
    return FALSE;
  }
  BOOL loaded = FALSE;
  HRSRC found = FindResourceW(file, quiz_resource_id(picture), L"IMAGES");
  DWORD size = found != NULL ? SizeofResource(file, found) : 0;
  const void *jpeg = found != NULL ? LockResource(LoadResource(file, found)) : NULL;
  /* OleLoadPicture reads from a stream over memory of its own. */
  HGLOBAL copy = jpeg != NULL ? GlobalAlloc(GMEM_MOVEABLE, size) : NULL;
  IStream *stream = NULL;
  if (copy != NULL) {
    memcpy(GlobalLock(copy), jpeg, size);
    GlobalUnlock(copy);
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
      GlobalFree(copy);
      stream = NULL;
    }
  }
  IPicture *image = NULL;
  if (stream != NULL &&
      SUCCEEDED(OleLoadPicture(stream, (LONG)size, FALSE, &IID_IPicture, (void **)&image))) {
    OLE_HANDLE handle = 0;
    BITMAP bitmap;
    if (SUCCEEDED(IPicture_get_Handle(image, &handle)) &&
        GetObjectW((HGDIOBJ)(UINT_PTR)handle, sizeof bitmap, &bitmap) != 0) {
      *width = bitmap.bmWidth;
      *height = bitmap.bmHeight;
      loaded = TRUE;
    }
    IPicture_Release(image);
  }
  if (stream != NULL) {
    IStream_Release(stream);
  }
  FreeLibrary(file);
  return loaded;
}

int wmain(int argc, WCHAR **argv) {
  if (argc < 2 || argc > 3) {
    print_line(L"usage: sample_host MODULE.exe [WAIT_LIMIT_SECONDS]");
    return 1;
  }
  DWORD wait_limit_ms = argc == 3 ? (DWORD)(_wtof(argv[2]) * 1000) : QUIZ_WAIT_LIMIT_MS;

  /* The module's folder holds question.qzd and the module files. */
  WCHAR module[MAX_PATH], folder[MAX_PATH], exchange_file[MAX_PATH], picture_file[MAX_PATH];
  WCHAR *name = NULL;
  if (GetFullPathNameW(argv[1], MAX_PATH, module, &name) == 0 || name == NULL) {
    print_line(L"cannot find %ls", argv[1]);
    return 1;
  }
  wcsncpy(folder, module, (size_t)(name - module));
  folder[name - module] = L'\0';
  _snwprintf(exchange_file, MAX_PATH, L"%ls%ls", folder, QUIZ_EXCHANGE_FILE);
  exchange_file[MAX_PATH - 1] = L'\0';

  if (!write_request(exchange_file)) {
    print_line(L"cannot write %ls", exchange_file);
    return 1;
  }
  char error_line[1024];
  int exit_code = run_module(module, folder, wait_limit_ms, error_line, sizeof error_line);
  if (exit_code == -1) {
    print_line(L"cannot start %ls: error %lu", module, GetLastError());
    return 1;
  }
  if (exit_code != QUIZ_EXIT_OK) {
    /* The error line is UTF-8. */
    WCHAR cause[1024];
    int length = MultiByteToWideChar(CP_UTF8, 0, error_line, -1, cause, 1024);
    cause[length > 0 ? length - 1 : 0] = L'\0';
    wchar_t *end = wcspbrk(cause, L"\r\n");
    if (end != NULL) {
      *end = L'\0';
    }
    if (exit_code != QUIZ_EXIT_SOUND_FAILED) {
      /* question.qzd still holds our request. */
      print_line(L"%ls failed, exit code %d: %ls", name, exit_code, cause);
      return 1;
    }
    /* The question stands; only its sound was not heard. */
    print_line(L"%ls could not play the sound: %ls", name, cause);
  }

  QuizRecord record;
  if (!read_record(exchange_file, &record)) {
    print_line(L"question.qzd holds no record");
    return 1;
  }
  print_line(L"question: %ls", record.field[QUIZ_QUESTION]);
  for (int answer = 1; answer <= 4; ++answer) {
    print_line(L"answer %d: %ls", answer, record.field[QUIZ_ANSWER_1 + answer - 1]);
  }
  print_line(L"right answer: %ls", record.field[QUIZ_RIGHT_ANSWER]);
  print_line(L"sound: %ls", record.field[QUIZ_SOUND]);

  LONG width = 0, height = 0;
  _snwprintf(picture_file, MAX_PATH, L"%ls%ls", folder, record.field[QUIZ_PICTURE_FILE]);
  picture_file[MAX_PATH - 1] = L'\0';
  CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
  BOOL loaded = load_picture(picture_file, record.field[QUIZ_PICTURE], &width, &height);
  CoUninitialize();
  if (!loaded) {
    print_line(L"cannot load picture %ls of %ls", record.field[QUIZ_PICTURE],
               record.field[QUIZ_PICTURE_FILE]);
    quiz_record_free(&record);
    return 1;
  }
  print_line(L"picture: %ls of %ls, %ld x %ld pixels", record.field[QUIZ_PICTURE],
             record.field[QUIZ_PICTURE_FILE], width, height);
  quiz_record_free(&record);
  return 0;
}
