// Lists and extracts the resources a module file carries, for quiz hosts:
// the ZIP appended to a Linux module, or the resource section of a Windows
// one.
//
//   qzres list FILE                     one line per resource: TYPE NAME SIZE
//   qzres extract FILE TYPE NAME [OUT]  the resource's bytes, to OUT or stdout
//
// Names are matched with letter case ignored; a name of decimal digits is an
// integer identifier ("100").
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/resource_file.hpp"
#include "resource_format/pe_resources.hpp"
#include "resource_format/resource_names.hpp"
#include "shell/paths.hpp"

namespace {

// A module file's resources, whichever its platform.
class ModuleResources {
 public:
  ModuleResources(const ModuleResources&) = delete;
  ModuleResources& operator=(const ModuleResources&) = delete;
  ModuleResources(ModuleResources&&) = delete;
  ModuleResources& operator=(ModuleResources&&) = delete;
  ~ModuleResources() = default;
  explicit ModuleResources(const std::string& path) : path_(path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(2, '\0');
    if (in.read(head.data(), 2) && qz::looks_like_pe(head)) {
      std::ostringstream bytes;
      bytes << in.rdbuf();
      file_ = head + bytes.str();
      pe_ = qz::pe_resources(file_);
    } else {
      zip_.emplace(path);
    }
  }

  [[nodiscard]] std::vector<qz::platform::ResourceInfo> list() const {
    if (zip_) {
      return zip_->list();
    }
    std::vector<qz::platform::ResourceInfo> listing;
    for (const qz::PeResource& resource : pe_) {
      listing.push_back({resource.type, resource.name, resource.bytes.size()});
    }
    return listing;
  }

  [[nodiscard]] std::string read(const std::string& type, const std::string& name) const {
    if (zip_) {
      return zip_->read(type, name);
    }
    for (const qz::PeResource& resource : pe_) {
      if (qz::resource_key(resource.type, resource.name) == qz::resource_key(type, name)) {
        return std::string(resource.bytes);
      }
    }
    throw std::runtime_error("no " + type + " resource \"" + name + "\" in " +
                             std::string(qz::file_name_of(path_)));
  }

 private:
  std::string path_;
  std::string file_;
  std::vector<qz::PeResource> pe_;  // views into file_
  std::optional<qz::platform::ResourceFile> zip_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "list" && argc == 3) {
      const ModuleResources file(argv[2]);
      for (const auto& resource : file.list()) {
        std::cout << resource.type << ' ' << resource.name << ' ' << resource.size << '\n';
      }
      return 0;
    }
    if (command == "extract" && (argc == 5 || argc == 6)) {
      const ModuleResources file(argv[2]);
      const std::string bytes = file.read(argv[3], argv[4]);
      if (argc == 6) {
        std::ofstream out(argv[5], std::ios::binary);
        out << bytes;
        if (!out.flush()) {
          throw std::runtime_error(std::string("cannot write ") + argv[5]);
        }
      } else {
        std::cout << bytes;
      }
      return 0;
    }
  } catch (const std::exception& error) {
    std::cerr << "qzres: " << error.what() << '\n';
    return 1;
  }
  std::cerr << "usage: qzres list FILE\n       qzres extract FILE TYPE NAME [OUT]\n";
  return 2;
}
