#include "platform/resource_file.hpp"

#include <zip.h>

#include <stdexcept>

#include "resource_format/resource_names.hpp"
#include "shell/paths.hpp"

namespace qz::platform {

struct ResourceFile::Archive {
  zip_t* zip = nullptr;
  ~Archive() {
    if (zip != nullptr) {
      zip_discard(zip);
    }
  }
  Archive() = default;
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;
  Archive(Archive&&) = delete;
  Archive& operator=(Archive&&) = delete;
};

ResourceFile::ResourceFile(const std::string& path)
    : path_(path), archive_(std::make_unique<Archive>()) {
  int error = 0;
  archive_->zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (archive_->zip == nullptr) {
    zip_error_t details;
    zip_error_init_with_code(&details, error);
    std::string cause =
        error == ZIP_ER_NOZIP ? "the file carries no resources" : zip_error_strerror(&details);
    zip_error_fini(&details);
    throw std::runtime_error("cannot open the resources of " + std::string(file_name_of(path)) +
                             ": " + cause);
  }
  const zip_int64_t count = zip_get_num_entries(archive_->zip, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    const std::string entry = zip_get_name(archive_->zip, index, ZIP_FL_ENC_RAW);
    const auto slash = entry.find('/');
    if (slash != std::string::npos) {
      index_by_key_[resource_key(entry.substr(0, slash), entry.substr(slash + 1))] = index;
    }
  }
}

ResourceFile::~ResourceFile() = default;

std::vector<ResourceInfo> ResourceFile::list() const {
  std::vector<ResourceInfo> resources;
  for (const auto& [key, index] : index_by_key_) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive_->zip, index, 0, &stat) != 0) {
      throw std::runtime_error("cannot read the resources of " + std::string(file_name_of(path_)));
    }
    const auto slash = key.find('/');
    resources.push_back({key.substr(0, slash), key.substr(slash + 1), stat.size});
  }
  return resources;
}

std::optional<std::string> ResourceFile::find(std::string_view type, std::string_view name) const {
  const auto found = index_by_key_.find(resource_key(type, name));
  if (found == index_by_key_.end()) {
    return std::nullopt;
  }
  zip_stat_t stat;
  zip_stat_init(&stat);
  zip_file_t* file = nullptr;
  if (zip_stat_index(archive_->zip, found->second, 0, &stat) != 0 ||
      (file = zip_fopen_index(archive_->zip, found->second, 0)) == nullptr) {
    throw std::runtime_error("cannot read resource " + found->first + " of " +
                             std::string(file_name_of(path_)));
  }
  std::string bytes(stat.size, '\0');
  const zip_int64_t read = zip_fread(file, bytes.data(), bytes.size());
  zip_fclose(file);
  if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size) {
    throw std::runtime_error("cannot read resource " + found->first + " of " +
                             std::string(file_name_of(path_)));
  }
  return bytes;
}

}  // namespace qz::platform
