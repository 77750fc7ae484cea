#include "platform/linux/descriptor.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace qz::platform {

namespace {

std::runtime_error not_a_regular_file(mode_t mode) {
  const char* kind = S_ISFIFO(mode)   ? "a FIFO"
                     : S_ISDIR(mode)  ? "a folder"
                     : S_ISSOCK(mode) ? "a socket"
                                      : "a device";
  return std::runtime_error(std::string("not a regular file (") + kind + ")");
}

}  // namespace

std::runtime_error errno_error(int error) {
  if (error == ENOENT) {
    return std::runtime_error("no such file");
  }
  if (error == ELOOP) {
    return std::runtime_error("a loop of symbolic links");
  }
  return std::runtime_error(std::strerror(error));
}

int open_regular_file(const std::string& path, std::uint64_t* size) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  struct stat info {};
  if (fd.get() < 0) {
    // A socket cannot be opened at all ("No such device or address"): it is
    // named for what it is, as a FIFO or a folder is.
    const int error = errno;
    if (error == ENXIO && ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      throw not_a_regular_file(info.st_mode);
    }
    throw errno_error(error);
  }
  if (::fstat(fd.get(), &info) != 0) {
    throw errno_error(errno);
  }
  if (!S_ISREG(info.st_mode)) {
    throw not_a_regular_file(info.st_mode);
  }
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    throw errno_error(errno);
  }
  if (size != nullptr) {
    *size = static_cast<std::uint64_t>(info.st_size);
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
