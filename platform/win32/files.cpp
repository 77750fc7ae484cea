#include "platform/win32/files.hpp"

#include <windows.h>

#include <atomic>
#include <stdexcept>

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

std::wstring temporary_path_beside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::string name = "." + std::string(file_name_of(path)) + "." +
                           std::to_string(::GetCurrentProcessId()) + "-" +
                           std::to_string(counter++);
  return to_wide(std::string(folder_of(path)) + "\\" + name);
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

  const std::wstring temporary = temporary_path_beside(path);
  Handle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD error = ::GetLastError();
    // The file itself may be writable: it is the folder that refuses.
    if (error == ERROR_ACCESS_DENIED) {
      throw FolderNotWritable("access denied");
    }
    if (error == ERROR_WRITE_PROTECT) {
      throw FolderNotWritable("write-protected");
    }
    throw windows_error(error);
  }
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
        return;
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
}

}  // namespace qz::platform
