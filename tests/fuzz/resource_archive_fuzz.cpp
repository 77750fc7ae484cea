// The resource archive reader on any module file: no allocation larger than
// the file (beyond an error message's few hundred bytes), no read outside
// it, and each entry either refused with a named fault or read as exactly
// the bytes its local header leads to, matching its size and CRC.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include <sanitizer/allocator_interface.h>

#include "resource_format/appended_archive.hpp"

namespace {

// The largest single allocation made while the reader runs, as the
// sanitizer's allocator sees it.
std::size_t largest_allocation = 0;
bool watching_allocations = false;

constexpr std::size_t kMessageAllowance = 512;

class MemoryFile final : public qz::RandomAccessBytes {
 public:
  explicit MemoryFile(std::string_view bytes) : bytes_(bytes) {}
  [[nodiscard]] std::uint64_t size() const override { return bytes_.size(); }
  void read_at(std::uint64_t offset, std::span<char> into) const override {
    if (offset > bytes_.size() || into.size() > bytes_.size() - offset) {
      std::abort();  // a read outside the file
    }
    std::memcpy(into.data(), bytes_.data() + offset, into.size());
  }

 private:
  std::string_view bytes_;
};

std::size_t little_endian_16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]) |
         static_cast<std::size_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 8U;
}

void check_named(const qz::DamagedArchive& fault) {
  if (std::strlen(fault.what()) < 8) {
    std::abort();  // a fault must say what is wrong
  }
}

void read_every_entry(std::string_view file) {
  const MemoryFile memory(file);
  const auto directory = qz::read_archive_directory(memory);
  if (!directory) {
    return;
  }
  for (const qz::ArchiveEntry& entry : directory->entries) {
    try {
      const std::string bytes = qz::read_archive_entry(memory, *directory, entry);
      const std::size_t header = entry.local_header_offset;
      const std::size_t data_at =
          header + 30 + little_endian_16(file, header + 26) + little_endian_16(file, header + 28);
      if (bytes.size() != entry.size || qz::crc32_of(bytes) != entry.crc32 ||
          file.substr(data_at, entry.size) != bytes) {
        std::abort();  // not the entry's own bytes
      }
    } catch (const qz::DamagedArchive& fault) {
      check_named(fault);
    }
  }
}

void note_allocation(const volatile void* /*memory*/, std::size_t size) {
  if (watching_allocations) {
    largest_allocation = std::max(largest_allocation, size);
  }
}

void note_release(const volatile void* /*memory*/) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  __sanitizer_install_malloc_and_free_hooks(note_allocation, note_release);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  largest_allocation = 0;
  watching_allocations = true;
  try {
    read_every_entry(file);
  } catch (const qz::DamagedArchive& fault) {
    check_named(fault);
  }
  watching_allocations = false;
  if (largest_allocation > size + kMessageAllowance) {
    std::abort();  // an allocation larger than the file
  }
  return 0;
}
