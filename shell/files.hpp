#pragma once

#include <cstddef>
#include <memory>
#include <span>
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

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Throws std::runtime_error with the cause ("no such file", ...).
  virtual std::unique_ptr<ByteSource> open_for_reading(const std::string& path) = 0;
  // Replaces the file's content with `bytes` as one step: afterwards the
  // file holds either its old content or all of `bytes`, never a part. A
  // file whose mode grants no write permission is refused as read-only.
  virtual void replace_contents(const std::string& path, std::string_view bytes) = 0;
};

}  // namespace qz
