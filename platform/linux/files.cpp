#include "platform/linux/files.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "platform/linux/descriptor.hpp"
#include "platform/temporary_names.hpp"
#include "shell/paths.hpp"

namespace qz::platform {
namespace {

class LinuxByteSource final : public ByteSource {
 public:
  explicit LinuxByteSource(int fd) : fd_(fd) {}
  std::size_t read(std::span<char> buffer) override {
    for (;;) {
      const ssize_t count = ::read(fd_.get(), buffer.data(), buffer.size());
      if (count >= 0) {
        return static_cast<std::size_t>(count);
      }
      if (errno != EINTR) {
        throw errno_error(errno);
      }
    }
  }

 private:
  FileDescriptor fd_;
};

mode_t default_file_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666U & ~static_cast<unsigned>(mask));
}

// A failure to make a file in the folder, worded as the folder's fault.
[[noreturn]] void throw_folder_error(int error) {
  if (error == EACCES || error == EPERM) {
    throw FolderNotWritable("permission denied");
  }
  if (error == EROFS) {
    throw FolderNotWritable("read-only file system");
  }
  throw errno_error(error);
}

// The file a symbolic link leads to; any other path as it is.
std::string resolved_target(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
    return path;
  }
  std::error_code error;
  std::filesystem::path target = std::filesystem::canonical(path, error);
  if (error) {
    throw errno_error(error.value());
  }
  return target.string();
}

// Gives the unnamed file `fd` a fresh temporary name in `folder`.
std::string link_under_fresh_name(int fd, const std::string& folder, const std::string& prefix) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::string name = folder + "/" + fresh_temporary_name(prefix);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return name;
    }
    if (errno != EEXIST) {
      throw_folder_error(errno);
    }
  }
  throw std::runtime_error("no free temporary file name");
}

void write_durably(int fd, mode_t mode, std::string_view bytes) {
  if (::fchmod(fd, mode) != 0 && errno != EPERM) {
    throw errno_error(errno);
  }
  write_all(fd, bytes);
  if (::fsync(fd) != 0) {
    throw errno_error(errno);
  }
}

// Renames the complete temporary file `name` over `target`.
void rename_over(const std::string& name, const std::string& target) {
  if (::rename(name.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(name.c_str());
    throw errno_error(error);
  }
}

// Writes `bytes` to a new file in `folder` and renames it over `target`.
// The file is made unnamed where the file system allows it and named only
// once complete, just before the rename, so that a run killed while writing
// leaves nothing behind.
void write_and_rename(const std::string& folder, const std::string& prefix,
                      const std::string& target, mode_t mode, std::string_view bytes) {
  FileDescriptor unnamed(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
  if (unnamed.get() >= 0) {
    write_durably(unnamed.get(), mode, bytes);
    rename_over(link_under_fresh_name(unnamed.get(), folder, prefix), target);
    return;  // the content is on disk already: closing can lose nothing
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    throw_folder_error(errno);
  }
  // No unnamed files here: a named one from the start (mkostemp's six
  // letters and digits are those of a fresh temporary name).
  std::string pattern = folder + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  FileDescriptor fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.get() < 0) {
    throw_folder_error(errno);
  }
  pattern.assign(name.data());
  try {
    write_durably(fd.get(), mode, bytes);
    fd.close();
  } catch (...) {
    ::unlink(pattern.c_str());
    throw;
  }
  rename_over(pattern, target);
}

// Removes temporary files of ours that runs killed before their rename left
// in `folder`: our exact name pattern, a regular file, unchanged for over a
// minute. A concurrent run's file is milliseconds old, and is left alone.
void remove_abandoned_temporaries(const std::string& folder, std::string_view prefix) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    return;
  }
  const std::time_t abandoned_before = std::time(nullptr) - kAbandonedTemporaryAge.count();
  while (const dirent* entry = ::readdir(dir)) {
    const auto* name = static_cast<const char*>(entry->d_name);
    struct stat info {};
    if (is_temporary_name(name, prefix) &&
        ::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
        info.st_mtime < abandoned_before) {
      ::unlinkat(::dirfd(dir), name, 0);
    }
  }
  ::closedir(dir);
}

}  // namespace

std::unique_ptr<ByteSource> LinuxFileSystem::open_for_reading(const std::string& path) {
  return std::make_unique<LinuxByteSource>(open_regular_file(path));
}

void LinuxFileSystem::replace_contents(const std::string& path, std::string_view bytes) {
  // The new content goes to a file beside the old one and is renamed over
  // it, so the host finds either its own record or the whole new one.
  const std::string target = resolved_target(path);
  mode_t mode = default_file_mode();
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) {
    if (!S_ISREG(existing.st_mode)) {
      throw std::runtime_error("not a regular file");
    }
    // Checked by mode, not by access(): root may write any file, and a
    // read-only exchange file must stay as it is for root too.
    if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        ::access(target.c_str(), W_OK) != 0) {
      throw std::runtime_error("the file is read-only");
    }
    mode = existing.st_mode & 07777U;
  } else if (errno != ENOENT) {
    throw errno_error(errno);
  }

  const std::string folder(folder_of(target));
  const std::string prefix = temporary_name_prefix(file_name_of(target));
  write_and_rename(folder, prefix, target, mode, bytes);
  remove_abandoned_temporaries(folder, prefix);
}

}  // namespace qz::platform
