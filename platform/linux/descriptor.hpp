#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

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
  // Hands the descriptor over to the caller, who closes it.
  [[nodiscard]] int release() { return std::exchange(fd_, -1); }
  // Closes now, reporting the failure a destructor could not.
  void close();

 private:
  int fd_;
};

// Opens a regular file for reading. Anything else is refused with
// "not a regular file (a FIFO)" and the like, without waiting: a FIFO with no
// writer would hold open() or read() for ever. Its size goes to `size` when
// given. Throws std::runtime_error.
int open_regular_file(const std::string& path, std::uint64_t* size = nullptr);

// Writes all of `bytes`, resuming after interruptions and short writes;
// throws std::runtime_error naming the cause.
void write_all(int fd, std::string_view bytes);

// The cause of a failed call as the modules report it ("no such file", ...).
std::runtime_error errno_error(int error);

}  // namespace qz::platform
