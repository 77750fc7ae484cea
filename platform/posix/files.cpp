#include "platform/posix/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/posix/descriptor.hpp"
#include "shell/paths.hpp"

namespace qz::platform {
namespace {

class PosixByteSource final : public ByteSource {
 public:
  explicit PosixByteSource(int fd) : fd_(fd) {}
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

}  // namespace

std::unique_ptr<ByteSource> PosixFileSystem::open_for_reading(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    throw errno_error(errno);
  }
  return std::make_unique<PosixByteSource>(fd);
}

void PosixFileSystem::replace_contents(const std::string& path, std::string_view bytes) {
  // The new content goes to a file beside the old one and is renamed over
  // it, so the host finds either its own record or the whole new one.
  mode_t mode = default_file_mode();
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0) {
    if (!S_ISREG(existing.st_mode)) {
      throw std::runtime_error("not a regular file");
    }
    // Checked by mode, not by access(): root may write any file, and a
    // read-only exchange file must stay as it is for root too.
    if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        ::access(path.c_str(), W_OK) != 0) {
      throw std::runtime_error("the file is read-only");
    }
    mode = existing.st_mode & 07777U;
  } else if (errno != ENOENT) {
    throw errno_error(errno);
  }

  // The temporary file's name: a dot, the file's own name and a unique tail.
  std::string temporary =
      join_path(folder_of(path), '/', "." + std::string(file_name_of(path)) + ".XXXXXX");
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  FileDescriptor fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.get() < 0) {
    throw errno_error(errno);
  }
  temporary.assign(name.data());
  try {
    if (::fchmod(fd.get(), mode) != 0 && errno != EPERM) {
      throw errno_error(errno);
    }
    write_all(fd.get(), bytes);
    if (::fsync(fd.get()) != 0) {
      throw errno_error(errno);
    }
    fd.close();
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
      throw errno_error(errno);
    }
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
}

}  // namespace qz::platform
