// A module's resources as Windows keeps them: the resource section of its
// own executable, read with the resource functions a host uses too.
#include "platform/resource_file.hpp"

#include <windows.h>

#include <stdexcept>

#include "platform/win32/wide.hpp"
#include "resource_format/resource_names.hpp"
#include "shell/paths.hpp"

namespace qz::platform {

struct ResourceFile::Archive {
  HMODULE module = nullptr;
  Archive() = default;
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;
  Archive(Archive&&) = delete;
  Archive& operator=(Archive&&) = delete;
  ~Archive() {
    if (module != nullptr) {
      ::FreeLibrary(module);
    }
  }
};

namespace {

// A resource type or name as the resource functions take it: an integer
// identifier for decimal digits, the name in capitals otherwise.
class ResourceId {
 public:
  explicit ResourceId(std::string_view name) {
    if (is_integer_identifier(name)) {
      const unsigned long value = std::stoul(std::string(name));
      if (value > 0xFFFF) {
        throw std::runtime_error("resource identifier " + std::string(name) + " beyond 65535");
      }
      integer_ = static_cast<WORD>(value);
    } else {
      text_ = to_wide(upper_case(name));
    }
  }
  [[nodiscard]] LPCWSTR get() const {
    return text_.empty() ? MAKEINTRESOURCEW(integer_) : text_.c_str();  // NOLINT: the API's way
  }

 private:
  WORD integer_ = 0;
  std::wstring text_;
};

std::string id_text(LPCWSTR id) {
  if (IS_INTRESOURCE(id)) {
    return std::to_string(reinterpret_cast<ULONG_PTR>(id));  // NOLINT: an integer identifier
  }
  return to_utf8(id);
}

struct ResourceListing {
  HMODULE module;
  std::vector<ResourceInfo> resources;
};

BOOL CALLBACK list_name(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR state) {
  auto* listing = reinterpret_cast<ResourceListing*>(state);  // NOLINT: the callback's context
  HRSRC resource = ::FindResourceW(module, name, type);
  listing->resources.push_back({id_text(type), id_text(name),
                                resource != nullptr ? ::SizeofResource(module, resource) : 0U});
  return TRUE;
}

BOOL CALLBACK list_type(HMODULE module, LPWSTR type, LONG_PTR state) {
  ::EnumResourceNamesW(module, type, list_name, state);
  return TRUE;
}

}  // namespace

ResourceFile::ResourceFile(const std::string& path)
    : path_(path), archive_(std::make_unique<Archive>()) {
  archive_->module = ::LoadLibraryExW(to_wide(path).c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (archive_->module == nullptr) {
    throw std::runtime_error("cannot open the resources of " + std::string(file_name_of(path)) +
                             ": " + windows_error(::GetLastError()).what());
  }
}

ResourceFile::~ResourceFile() = default;

std::vector<ResourceInfo> ResourceFile::list() const {
  ResourceListing listing{archive_->module, {}};
  ::EnumResourceTypesW(archive_->module, list_type,
                       reinterpret_cast<LONG_PTR>(&listing));  // NOLINT: the callback's context
  return listing.resources;
}

std::optional<std::string> ResourceFile::find(std::string_view type, std::string_view name) const {
  const ResourceId type_id(type);
  const ResourceId name_id(name);
  HRSRC resource = ::FindResourceW(archive_->module, name_id.get(), type_id.get());
  if (resource == nullptr) {
    return std::nullopt;
  }
  const HGLOBAL loaded = ::LoadResource(archive_->module, resource);
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr) {
    throw std::runtime_error("cannot read resource " + upper_case(type) + "/" + upper_case(name) +
                             " of " + std::string(file_name_of(path_)));
  }
  return std::string(static_cast<const char*>(bytes), ::SizeofResource(archive_->module, resource));
}

}  // namespace qz::platform
