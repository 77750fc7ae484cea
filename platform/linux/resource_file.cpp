#include "platform/resource_file.hpp"

#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "platform/linux/descriptor.hpp"
#include "resource_format/appended_archive.hpp"
#include "resource_format/resource_names.hpp"
#include "shell/paths.hpp"

namespace qz::platform {

struct ResourceFile::Archive final : RandomAccessBytes {
  explicit Archive(const std::string& path) : fd(open_regular_file(path, &file_size)) {}

  [[nodiscard]] std::uint64_t size() const override { return file_size; }

  void read_at(std::uint64_t offset, std::span<char> into) const override {
    while (!into.empty()) {
      const ssize_t count = ::pread(fd.get(), into.data(), into.size(), static_cast<off_t>(offset));
      if (count < 0 && errno == EINTR) {
        continue;
      }
      if (count < 0) {
        throw errno_error(errno);
      }
      if (count == 0) {
        throw DamagedArchive("the file is shorter than it was");
      }
      into = into.subspan(static_cast<std::size_t>(count));
      offset += static_cast<std::uint64_t>(count);
    }
  }

  std::uint64_t file_size = 0;  // set by the opening of fd, before it
  FileDescriptor fd;
  ArchiveDirectory directory;
};

ResourceFile::ResourceFile(const std::string& path) : path_(path) {
  const std::string file(file_name_of(path));
  try {
    archive_ = std::make_unique<Archive>(path);
    auto directory = read_archive_directory(*archive_);
    if (!directory) {
      throw std::runtime_error("the file carries no resources");
    }
    archive_->directory = std::move(*directory);
  } catch (const DamagedArchive& error) {
    throw std::runtime_error("damaged resource archive in " + file + " (" + error.what() + ")");
  } catch (const std::runtime_error& error) {
    throw std::runtime_error("cannot open the resources of " + file + ": " + error.what());
  }
  const std::vector<ArchiveEntry>& entries = archive_->directory.entries;
  for (std::size_t index = 0; index < entries.size(); ++index) {
    const std::string_view entry = entries[index].name;
    const auto slash = entry.find('/');
    if (slash != std::string_view::npos) {
      index_by_key_[resource_key(entry.substr(0, slash), entry.substr(slash + 1))] = index;
    }
  }
}

ResourceFile::~ResourceFile() = default;

std::vector<ResourceInfo> ResourceFile::list() const {
  std::vector<ResourceInfo> resources;
  for (const auto& [key, index] : index_by_key_) {
    const auto slash = key.find('/');
    resources.push_back(
        {key.substr(0, slash), key.substr(slash + 1), archive_->directory.entries[index].size});
  }
  return resources;
}

std::optional<std::string> ResourceFile::find(std::string_view type, std::string_view name) const {
  const auto found = index_by_key_.find(resource_key(type, name));
  if (found == index_by_key_.end()) {
    return std::nullopt;
  }
  const std::string file(file_name_of(path_));
  try {
    return read_archive_entry(*archive_, archive_->directory,
                              archive_->directory.entries[found->second]);
  } catch (const DamagedArchive& error) {
    throw std::runtime_error("damaged resource archive in " + file + " (" + error.what() + ")");
  } catch (const std::runtime_error& error) {
    throw std::runtime_error("cannot read resource " + found->first + " of " + file + ": " +
                             error.what());
  }
}

}  // namespace qz::platform
