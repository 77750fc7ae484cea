#include "platform/win32/files.hpp"

#include <windows.h>

#include <cstdint>
#include <stdexcept>

#include "platform/temporary_names.hpp"
#include "platform/win32/wide.hpp"
#include "shell/paths.hpp"

namespace qz::platform {
namespace {

class Win32ByteSource final : public ByteSource {
 public:
  explicit Win32ByteSource(HANDLE file) : file_(file) {}
  std::size_t read(std::span<char> buffer) override {
    DWORD count = 0;
    const auto wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 1U << 20U));
    if (::ReadFile(file_.get(), buffer.data(), wanted, &count, nullptr) == 0) {
      throw windows_error(::GetLastError());
    }
    return count;
  }

 private:
  Handle file_;
};

// How long a file held open by another process is waited for.
constexpr int kSharingRetries = 20;
constexpr DWORD kSharingRetryPauseMs = 50;

bool held_by_another_process(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

// A new temporary file in `folder`, opened for writing, under a fresh name
// (platform/temporary_names.hpp); the name goes to `path`.
HANDLE create_temporary_file(const std::string& folder, const std::string& prefix,
                             std::wstring& path) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    path = to_wide(folder + "\\" + fresh_temporary_name(prefix));
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      return file;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
      continue;
    }
    // The file itself may be writable: it is the folder that refuses.
    if (error == ERROR_ACCESS_DENIED) {
      throw FolderNotWritable("access denied");
    }
    if (error == ERROR_WRITE_PROTECT) {
      throw FolderNotWritable("write-protected");
    }
    throw windows_error(error);
  }
  throw std::runtime_error("no free temporary file name");
}

std::uint64_t file_time_ticks(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32U) | time.dwLowDateTime;
}

// Removes temporary files of ours that runs killed before their rename left
// in `folder`: our exact name pattern, a file (not a folder or a link),
// unchanged for over a minute. A concurrent run's file is milliseconds old,
// and is left alone.
void remove_abandoned_temporaries(const std::string& folder, const std::string& prefix) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(to_wide(folder + "\\" + prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return;
  }
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  constexpr std::uint64_t kTicksPerSecond = 10'000'000;  // FILETIME counts 100 ns
  const std::uint64_t abandoned_before =
      file_time_ticks(now) -
      kTicksPerSecond * static_cast<std::uint64_t>(kAbandonedTemporaryAge.count());
  do {
    const DWORD not_a_file = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    const std::wstring_view name(static_cast<const wchar_t*>(found.cFileName));
    if (is_temporary_name(to_utf8(name), prefix) && (found.dwFileAttributes & not_a_file) == 0 &&
        file_time_ticks(found.ftLastWriteTime) < abandoned_before) {
      ::DeleteFileW((to_wide(folder + "\\") + std::wstring(name)).c_str());
    }
  } while (::FindNextFileW(search, &found) != 0);
  ::FindClose(search);
}

}  // namespace

std::unique_ptr<ByteSource> Win32FileSystem::open_for_reading(const std::string& path) {
  const std::wstring wide = to_wide(path);
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0;; ++attempt) {
    file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      break;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_SHARING_VIOLATION || attempt == kSharingRetries) {
      throw windows_error(error);
    }
    ::Sleep(kSharingRetryPauseMs);
  }
  auto source = std::make_unique<Win32ByteSource>(file);
  if (::GetFileType(file) != FILE_TYPE_DISK) {
    throw std::runtime_error("not a regular file");
  }
  return source;
}

void Win32FileSystem::replace_contents(const std::string& path, std::string_view bytes) {
  const std::wstring target = to_wide(path);
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      throw std::runtime_error("not a regular file");
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      throw std::runtime_error("the file is read-only");
    }
  }

  const std::string folder(folder_of(path));
  const std::string prefix = temporary_name_prefix(file_name_of(path));
  std::wstring temporary;
  Handle file(create_temporary_file(folder, prefix, temporary));
  try {
    DWORD written = 0;
    if (::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                    nullptr) == 0 ||
        written != bytes.size() || ::FlushFileBuffers(file.get()) == 0) {
      throw windows_error(::GetLastError());
    }
    file.close();
    for (int attempt = 0;; ++attempt) {
      if (::MoveFileExW(temporary.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
        break;
      }
      const DWORD error = ::GetLastError();
      if (!held_by_another_process(error) || attempt == kSharingRetries) {
        throw windows_error(error);
      }
      ::Sleep(kSharingRetryPauseMs);
    }
  } catch (...) {
    file.close();
    ::DeleteFileW(temporary.c_str());
    throw;
  }
  remove_abandoned_temporaries(folder, prefix);
}

}  // namespace qz::platform
