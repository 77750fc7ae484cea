#include "resource_format/appended_archive.hpp"

#include <algorithm>
#include <array>

#include "resource_format/byte_order.hpp"
#include "resource_format/escaped.hpp"

namespace qz {
namespace {

constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
constexpr std::uint32_t kDirectoryEntrySignature = 0x02014B50;
constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::uint16_t kEncryptedFlag = 0x0001;
constexpr std::uint16_t kDataDescriptorFlag = 0x0008;

std::string read_range(const RandomAccessBytes& file, std::uint64_t offset, std::uint64_t count) {
  std::string bytes(static_cast<std::size_t>(count), '\0');
  file.read_at(offset, bytes);
  return bytes;
}

[[noreturn]] void entry_fault(std::string_view name, const std::string& fault) {
  throw DamagedArchive("entry " + escaped(name) + ": " + fault);
}

struct EndRecord {
  std::uint64_t offset = 0;  // of the record in the file
  std::uint32_t entries = 0;
  std::uint64_t directory_offset = 0;
  std::uint64_t directory_size = 0;
};

// The end record is the last 22 bytes of the file, or stands before a
// comment that runs exactly to the end of the file.
std::optional<EndRecord> find_end_record(const RandomAccessBytes& file) {
  const std::uint64_t size = file.size();
  if (size < kEndRecordSize) {
    return std::nullopt;
  }
  // The archives the build appends have no comment: their end record is the
  // file's last 22 bytes, read alone. Only another archive takes the search
  // through the longest comment there may be.
  std::uint64_t tail_size = kEndRecordSize;
  std::string tail = read_range(file, size - tail_size, tail_size);
  if (little_endian(tail, 0, 4) != kEndRecordSignature || little_endian(tail, 20, 2) != 0) {
    tail_size = std::min<std::uint64_t>(size, kEndRecordSize + kMaxCommentSize);
    tail = read_range(file, size - tail_size, tail_size);
  }
  for (std::size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
    if (little_endian(tail, at, 4) != kEndRecordSignature ||
        at + kEndRecordSize + little_endian(tail, at + 20, 2) != tail.size()) {
      continue;
    }
    if (little_endian(tail, at + 4, 2) != 0 || little_endian(tail, at + 6, 2) != 0 ||
        little_endian(tail, at + 8, 2) != little_endian(tail, at + 10, 2)) {
      throw DamagedArchive("an archive in several parts");
    }
    EndRecord end{.offset = size - tail_size + at,
                  .entries = little_endian(tail, at + 10, 2),
                  .directory_offset = little_endian(tail, at + 16, 4),
                  .directory_size = little_endian(tail, at + 12, 4)};
    if (end.entries == 0xFFFF || end.directory_offset == 0xFFFFFFFF ||
        end.directory_size == 0xFFFFFFFF) {
      throw DamagedArchive("a ZIP64 archive, which module files never hold");
    }
    if (end.directory_offset + end.directory_size != end.offset) {
      throw DamagedArchive("the directory does not end where the end record starts");
    }
    return end;
  }
  return std::nullopt;
}

ArchiveEntry parse_directory_entry(std::string_view directory, std::size_t& at,
                                   std::uint64_t directory_offset) {
  if (directory.size() - at < kDirectoryEntrySize ||
      little_endian(directory, at, 4) != kDirectoryEntrySignature) {
    throw DamagedArchive("the directory holds fewer entries than its end record counts");
  }
  const std::uint32_t flags = little_endian(directory, at + 8, 2);
  const std::uint32_t method = little_endian(directory, at + 10, 2);
  const std::uint32_t stored_size = little_endian(directory, at + 20, 4);
  const std::size_t name_size = little_endian(directory, at + 28, 2);
  const std::size_t variable_size =
      name_size + little_endian(directory, at + 30, 2) + little_endian(directory, at + 32, 2);
  if (directory.size() - at - kDirectoryEntrySize < variable_size) {
    throw DamagedArchive("a directory entry runs past the end of the directory");
  }
  const ArchiveEntry entry{.name = directory.substr(at + kDirectoryEntrySize, name_size),
                           .size = little_endian(directory, at + 24, 4),
                           .crc32 = little_endian(directory, at + 16, 4),
                           .local_header_offset = little_endian(directory, at + 42, 4)};
  at += kDirectoryEntrySize + variable_size;
  if ((flags & kEncryptedFlag) != 0) {
    entry_fault(entry.name, "encrypted");
  }
  if (method != 0) {
    entry_fault(entry.name, "compressed (method " + std::to_string(method) + ")");
  }
  if (stored_size != entry.size) {
    entry_fault(entry.name, "its sizes disagree (" + std::to_string(stored_size) + " stored, " +
                                std::to_string(entry.size) + " unpacked)");
  }
  if (std::uint64_t{entry.local_header_offset} + kLocalHeaderSize + name_size + entry.size >
      directory_offset) {
    entry_fault(entry.name,
                "its " + std::to_string(entry.size) + " bytes run past the start of the directory");
  }
  return entry;
}

}  // namespace

std::uint32_t crc32_of(std::string_view bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> values{};
    for (std::uint32_t i = 0; i < values.size(); ++i) {
      std::uint32_t c = i;
      for (int bit = 0; bit < 8; ++bit) {
        c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1U) : c >> 1U;
      }
      values[i] = c;
    }
    return values;
  }();
  std::uint32_t crc = 0xFFFFFFFFU;
  for (const char byte : bytes) {
    crc = table[(crc ^ static_cast<std::uint8_t>(byte)) & 0xFFU] ^ (crc >> 8U);
  }
  return crc ^ 0xFFFFFFFFU;
}

std::optional<ArchiveDirectory> read_archive_directory(const RandomAccessBytes& file) {
  const std::optional<EndRecord> end = find_end_record(file);
  if (!end) {
    return std::nullopt;
  }
  if (end->entries * kDirectoryEntrySize > end->directory_size) {
    throw DamagedArchive("a directory of " + std::to_string(end->directory_size) +
                         " bytes cannot hold " + std::to_string(end->entries) + " entries");
  }
  std::optional<ArchiveDirectory> directory(std::in_place);
  directory->offset = static_cast<std::uint32_t>(end->directory_offset);
  directory->bytes = std::make_unique<const std::string>(
      read_range(file, end->directory_offset, end->directory_size));
  const std::string_view bytes = *directory->bytes;
  // An entry takes 46 bytes of the directory and less than that here.
  directory->entries.reserve(end->entries);
  std::size_t at = 0;
  for (std::uint32_t i = 0; i < end->entries; ++i) {
    directory->entries.push_back(parse_directory_entry(bytes, at, directory->offset));
  }
  if (at != bytes.size()) {
    throw DamagedArchive("the directory holds more than its end record counts");
  }
  return directory;
}

std::string read_archive_entry(const RandomAccessBytes& file, const ArchiveDirectory& directory,
                               const ArchiveEntry& entry) {
  const std::uint64_t header_offset = entry.local_header_offset;
  if (directory.offset > file.size() ||
      header_offset + kLocalHeaderSize + entry.name.size() + entry.size > directory.offset) {
    entry_fault(entry.name, "runs past the start of the directory");
  }
  // The header, its name and the data in one read, as the build writes them
  // (no extra field); another layout reads its data apart.
  const std::uint64_t whole_size = kLocalHeaderSize + entry.name.size() + entry.size;
  std::string whole = read_range(file, header_offset, whole_size);
  const std::string_view header = std::string_view(whole).substr(0, kLocalHeaderSize);
  if (little_endian(header, 0, 4) != kLocalHeaderSignature) {
    entry_fault(entry.name, "no local header at its offset");
  }
  const std::uint32_t flags = little_endian(header, 6, 2);
  const bool sizes_follow_data = (flags & kDataDescriptorFlag) != 0;
  const std::size_t name_size = little_endian(header, 26, 2);
  const std::uint64_t data_offset =
      header_offset + kLocalHeaderSize + name_size + little_endian(header, 28, 2);
  if (little_endian(header, 8, 2) != 0 || name_size != entry.name.size() ||
      (!sizes_follow_data &&
       (little_endian(header, 14, 4) != entry.crc32 || little_endian(header, 18, 4) != entry.size ||
        little_endian(header, 22, 4) != entry.size))) {
    entry_fault(entry.name, "its local header disagrees with the directory");
  }
  if (data_offset + entry.size > directory.offset) {
    entry_fault(entry.name, "runs past the start of the directory");
  }
  if (std::string_view(whole).substr(kLocalHeaderSize, name_size) != entry.name) {
    entry_fault(entry.name, "its local header names another entry");
  }
  std::string bytes;
  if (data_offset == header_offset + kLocalHeaderSize + name_size) {
    whole.erase(0, kLocalHeaderSize + name_size);
    bytes = std::move(whole);
  } else {
    bytes = read_range(file, data_offset, entry.size);
  }
  if (crc32_of(bytes) != entry.crc32) {
    entry_fault(entry.name, "CRC mismatch");
  }
  return bytes;
}

}  // namespace qz
