/* Finds resources in a module file as a Windows quiz host does: the file is
 * loaded as data, never run (as an image, one of the other architecture
 * would be refused), and each resource is found by the
 * name or number a record gives, in the record's own letter case.
 *
 *   resource_host MODULE.exe OUT_DIR TYPE NAME [TYPE NAME ...]
 *
 * writes each resource's bytes to OUT_DIR/TYPE_NAME and prints one line per
 * resource: "found TYPE NAME SIZE" or "missing TYPE NAME". Exits 1 when
 * one is missing, 2 when the file cannot be loaded. */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

static LPCWSTR resource_id(const wchar_t* text) {
  for (const wchar_t* c = text; *c; ++c) {
    if (*c < L'0' || *c > L'9') return text;
  }
  return MAKEINTRESOURCEW(_wtoi(text));
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 5 || argc % 2 == 0) {
    fwprintf(stderr, L"usage: resource_host MODULE.exe OUT_DIR TYPE NAME [TYPE NAME ...]\n");
    return 2;
  }
  HMODULE module = LoadLibraryExW(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (module == NULL) {
    fwprintf(stderr, L"cannot load %ls: error %lu\n", argv[1], GetLastError());
    return 2;
  }
  int missing = 0;
  for (int i = 3; i + 1 < argc; i += 2) {
    HRSRC found = FindResourceW(module, resource_id(argv[i + 1]), argv[i]);
    if (found == NULL) {
      wprintf(L"missing %ls %ls\n", argv[i], argv[i + 1]);
      missing = 1;
      continue;
    }
    const DWORD size = SizeofResource(module, found);
    const void* bytes = LockResource(LoadResource(module, found));
    wchar_t path[MAX_PATH];
    swprintf(path, MAX_PATH, L"%ls\\%ls_%ls", argv[2], argv[i], argv[i + 1]);
    FILE* out = _wfopen(path, L"wb");
    if (out == NULL || fwrite(bytes, 1, size, out) != size) {
      fwprintf(stderr, L"cannot write %ls\n", path);
      return 2;
    }
    fclose(out);
    wprintf(L"found %ls %ls %lu\n", argv[i], argv[i + 1], size);
  }
  FreeLibrary(module);
  return missing;
}
