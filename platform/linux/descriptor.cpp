#include "platform/linux/descriptor.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace qz::platform {

std::runtime_error errno_error(int error) {
  if (error == ENOENT) {
    return std::runtime_error("no such file");
  }
  return std::runtime_error(std::strerror(error));
}

int open_regular_file(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    throw errno_error(errno);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) {
    throw errno_error(errno);
  }
  if (!S_ISREG(info.st_mode)) {
    const char* kind = S_ISFIFO(info.st_mode)   ? "a FIFO"
                       : S_ISDIR(info.st_mode)  ? "a folder"
                       : S_ISSOCK(info.st_mode) ? "a socket"
                                                : "a device";
    throw std::runtime_error(std::string("not a regular file (") + kind + ")");
  }
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    throw errno_error(errno);
  }
  return fd.release();
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

void FileDescriptor::close() {
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    throw errno_error(errno);
  }
}

void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      throw errno_error(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
}

}  // namespace qz::platform
