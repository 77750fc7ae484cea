#include "resource_format/pe_resources.hpp"

#include <cstdint>
#include <stdexcept>

#include "resource_format/byte_order.hpp"

namespace qz {
namespace {

constexpr std::uint32_t kHighBit = 0x80000000U;

[[noreturn]] void damaged(const std::string& what) {
  throw std::runtime_error("damaged resource section: " + what);
}

// A whole number of the file, which may end short of it.
std::uint32_t checked_little_endian(std::string_view bytes, std::size_t at, std::size_t count) {
  if (at > bytes.size() || count > bytes.size() - at) {
    damaged("a structure runs past the end of the file");
  }
  return little_endian(bytes, at, count);
}

struct Section {
  std::uint32_t virtual_address;
  std::uint32_t virtual_size;
  std::uint32_t raw_offset;
  std::uint32_t raw_size;
};

class ResourceSection {
 public:
  ResourceSection(std::string_view file, std::vector<Section> sections, std::uint32_t root_rva)
      : file_(file), sections_(std::move(sections)), root_(offset_of(root_rva, 16)) {}

  void read(std::vector<PeResource>& resources) {
    for_each_entry(0, [&](const std::string& type, std::uint32_t names) {
      for_each_entry(names, [&](const std::string& name, std::uint32_t languages) {
        bool first = true;
        for_each_entry(
            languages,
            [&](const std::string& /*language*/, std::uint32_t data) {
              if (first) {
                resources.push_back({friendly_type(type), name, data_of(data)});
                first = false;
              }
            },
            true);
      });
    });
  }

 private:
  // Entries of the directory at `directory` (offset from the section's
  // root): its name or identifier, and what it points to: a directory, or
  // when `leaves` a data entry.
  template <typename Visit>
  void for_each_entry(std::uint32_t directory, Visit&& visit, bool leaves = false) {
    if (++depth_ > 3) {
      damaged("resource directories nested too deep");
    }
    const std::size_t at = root_ + directory;
    const std::uint32_t count =
        checked_little_endian(file_, at + 12, 2) + checked_little_endian(file_, at + 14, 2);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::size_t entry = at + 16 + 8 * static_cast<std::size_t>(i);
      const std::uint32_t name = checked_little_endian(file_, entry, 4);
      const std::uint32_t target = checked_little_endian(file_, entry + 4, 4);
      if (((target & kHighBit) != 0) == leaves) {
        damaged(leaves ? "a language that is a directory" : "a type or name without a directory");
      }
      visit((name & kHighBit) != 0 ? text_at(name & ~kHighBit) : std::to_string(name),
            target & ~kHighBit);
    }
    --depth_;
  }

  [[nodiscard]] std::string text_at(std::uint32_t offset) const {
    const std::size_t at = root_ + offset;
    const std::uint32_t length = checked_little_endian(file_, at, 2);
    std::string text;
    for (std::uint32_t i = 0; i < length; ++i) {
      const std::uint32_t unit =
          checked_little_endian(file_, at + 2 + 2 * static_cast<std::size_t>(i), 2);
      text += unit < 0x80 ? static_cast<char>(unit) : '?';  // resource names are ASCII
    }
    return text;
  }

  [[nodiscard]] std::string_view data_of(std::uint32_t entry) const {
    const std::size_t at = root_ + entry;
    const std::uint32_t rva = checked_little_endian(file_, at, 4);
    const std::uint32_t size = checked_little_endian(file_, at + 4, 4);
    return file_.substr(offset_of(rva, size), size);
  }

  // The file offset of `size` bytes at `rva`, all within one section's
  // bytes in the file.
  [[nodiscard]] std::size_t offset_of(std::uint32_t rva, std::uint32_t size) const {
    for (const Section& section : sections_) {
      if (rva >= section.virtual_address && rva - section.virtual_address < section.raw_size) {
        const std::uint32_t into = rva - section.virtual_address;
        if (size > section.raw_size - into ||
            section.raw_offset + static_cast<std::size_t>(section.raw_size) > file_.size()) {
          damaged("data runs past its section");
        }
        return section.raw_offset + static_cast<std::size_t>(into);
      }
    }
    damaged("data outside every section");
  }

  static std::string friendly_type(const std::string& type) {
    if (type == "14") {
      return "ICON";
    }
    if (type == "16") {
      return "VERSION";
    }
    if (type == "24") {
      return "MANIFEST";
    }
    return type;
  }

  std::string_view file_;
  std::vector<Section> sections_;
  std::size_t root_;
  int depth_ = 0;
};

}  // namespace

bool looks_like_pe(std::string_view file) { return file.substr(0, 2) == "MZ"; }

std::vector<PeResource> pe_resources(std::string_view file) {
  if (!looks_like_pe(file)) {
    throw std::runtime_error("not a Windows executable");
  }
  const std::uint32_t pe = checked_little_endian(file, 0x3C, 4);
  if (checked_little_endian(file, pe, 4) != 0x00004550U) {  // "PE\0\0"
    throw std::runtime_error("not a Windows executable (no PE header)");
  }
  const std::uint32_t section_count = checked_little_endian(file, pe + 6, 2);
  const std::uint32_t optional_size = checked_little_endian(file, pe + 20, 2);
  const std::size_t optional = pe + 24;
  const std::uint32_t magic = checked_little_endian(file, optional, 2);
  if (magic != 0x10B && magic != 0x20B) {
    damaged("unknown optional header");
  }
  // The resource table is data directory 2, each directory 8 bytes.
  constexpr std::size_t kResourceDirectory = std::size_t{2} * 8;
  const std::size_t directories = optional + (magic == 0x20B ? 112 : 96);
  const std::uint32_t resource_rva =
      checked_little_endian(file, directories + kResourceDirectory, 4);
  if (resource_rva == 0) {
    return {};
  }
  std::vector<Section> sections;
  const std::size_t table = optional + optional_size;
  for (std::uint32_t i = 0; i < section_count; ++i) {
    const std::size_t at = table + 40 * static_cast<std::size_t>(i);
    sections.push_back(
        {checked_little_endian(file, at + 12, 4), checked_little_endian(file, at + 8, 4),
         checked_little_endian(file, at + 20, 4), checked_little_endian(file, at + 16, 4)});
  }
  std::vector<PeResource> resources;
  ResourceSection(file, std::move(sections), resource_rva).read(resources);
  return resources;
}

}  // namespace qz
