#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qz {

// The resources appended to a module file: an uncompressed ZIP archive whose
// offsets count from the start of the file. Every size and offset is checked
// against the file and against the other headers before anything is
// allocated or read, and every entry read is checked against its CRC, so
// that a damaged file gives an error naming the fault, never an allocation
// larger than the file nor bytes from another part of it.

// The bytes of a file, read by offset.
class RandomAccessBytes {
 public:
  virtual ~RandomAccessBytes() = default;
  [[nodiscard]] virtual std::uint64_t size() const = 0;
  // Fills `into` from `offset`; the range lies within size(). Throws
  // std::runtime_error when the bytes cannot be read.
  virtual void read_at(std::uint64_t offset, std::span<char> into) const = 0;
};

struct ArchiveEntry {
  std::string_view name;  // "TYPE/NAME" as stored, within the directory's bytes
  std::uint32_t size = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t local_header_offset = 0;
};

// An archive's directory. Nothing in it is larger than the directory itself,
// which lies within the file.
struct ArchiveDirectory {
  std::unique_ptr<const std::string> bytes;  // what the entries' names point into
  std::vector<ArchiveEntry> entries;         // in stored order
  std::uint32_t offset = 0;                  // where it starts: all data ends before
};

// A fault of the archive; what() names it ("entry DMSEG/15_DO: CRC mismatch").
class DamagedArchive : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The archive's directory; nothing when the file ends with no archive at
// all. Reads only the end record and the directory. Throws DamagedArchive.
std::optional<ArchiveDirectory> read_archive_directory(const RandomAccessBytes& file);

// One entry's bytes, checked against its local header and its CRC. Throws
// DamagedArchive.
std::string read_archive_entry(const RandomAccessBytes& file, const ArchiveDirectory& directory,
                               const ArchiveEntry& entry);

std::uint32_t crc32_of(std::string_view bytes);

}  // namespace qz
