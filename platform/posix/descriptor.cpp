#include "platform/posix/descriptor.hpp"

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
