#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/resources.hpp"

namespace qz::platform {

struct ResourceInfo {
  std::string type;
  std::string name;
  std::uint64_t size;
};

// The resources a module file carries, in its platform's container: on
// Linux an uncompressed ZIP archive appended to the executable, with entries
// "TYPE/NAME" (opening reads only the archive's directory; reading a
// resource reads only that resource); on Windows the executable's resource
// section, read with the resource functions.
//
// A Linux module file whose resources do not hold together is refused with
// "damaged resource archive in FILE (FAULT)", FAULT naming what is wrong
// ("entry DMSEG/15_DO: CRC mismatch"): at opening when the directory is at
// fault, when reading a resource when that resource is. Nothing larger than
// the file is ever allocated, whatever its headers say.
class ResourceFile final : public ModuleResources {
 public:
  // Throws std::runtime_error naming the file and the cause.
  explicit ResourceFile(const std::string& path);
  ~ResourceFile() override;
  ResourceFile(const ResourceFile&) = delete;
  ResourceFile& operator=(const ResourceFile&) = delete;
  ResourceFile(ResourceFile&&) = delete;
  ResourceFile& operator=(ResourceFile&&) = delete;

  [[nodiscard]] std::vector<ResourceInfo> list() const;
  // Letter case ignored; decimal names are integer identifiers. Nothing when
  // the file carries no such resource; throws when it cannot be read.
  [[nodiscard]] std::optional<std::string> find(std::string_view type, std::string_view name) const;
  // As find(), but a missing resource throws "no TYPE resource NAME in FILE".
  [[nodiscard]] std::string read(std::string_view type, std::string_view name) const override;

 private:
  struct Archive;
  std::string path_;
  std::unique_ptr<Archive> archive_;
  std::map<std::string, std::uint64_t> index_by_key_;
};

}  // namespace qz::platform
