#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qz {

// A file opened for reading, read in pieces so that a huge file is never
// held whole. Failures throw std::runtime_error naming the cause.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Fills the front of `buffer`; returns how many bytes, 0 at end of file.
  virtual std::size_t read(std::span<char> buffer) = 0;
};

// Thrown by FileSystem::replace_contents when the file's folder takes no new
// file: the new content is written beside the file first. what() is the
// cause ("permission denied").
class FolderNotWritable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Throws std::runtime_error with the cause ("no such file", ...). Anything
  // but a regular file (a FIFO, a device, a folder) is refused at once, never
  // waited on.
  virtual std::unique_ptr<ByteSource> open_for_reading(const std::string& path) = 0;
  // Replaces the file's content with `bytes` as one step: afterwards the
  // file holds either its old content or all of `bytes`, never a part. A
  // file whose mode grants no write permission is refused as read-only. A
  // symbolic link stays a link: the file it leads to is replaced.
  virtual void replace_contents(const std::string& path, std::string_view bytes) = 0;
};

}  // namespace qz
