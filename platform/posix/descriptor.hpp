#pragma once

#include <stdexcept>
#include <string_view>

namespace qz::platform {

// An open file descriptor, closed when it goes.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&&) = delete;
  FileDescriptor& operator=(FileDescriptor&&) = delete;
  ~FileDescriptor();
  [[nodiscard]] int get() const { return fd_; }
  // Closes now, reporting the failure a destructor could not.
  void close();

 private:
  int fd_;
};

// Writes all of `bytes`, resuming after interruptions and short writes;
// throws std::runtime_error naming the cause.
void write_all(int fd, std::string_view bytes);

// The cause of a failed call as the modules report it ("no such file", ...).
std::runtime_error errno_error(int error);

}  // namespace qz::platform
