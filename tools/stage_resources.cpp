// Build step: lays out in a folder, as TYPE/NAME files, every resource a
// module carries, after checking each one, with a manifest that the packers
// of tools/pack_module.py read: the ZIP appended to a Linux executable and
// the resource script compiled into a Windows one.
//
//   qz_stage_resources MODULE RESOURCES_DIR OUT_DIR
//
// MODULE is the module's name in the module table ("treble7"). The
// manifest OUT_DIR/manifest.txt holds the module's file name (its record
// literal) on its first line, then one line per resource: its TYPE/NAME key
// (the name in capitals, as stored; the file OUT_DIR/TYPE/NAME) and its name
// as the module writes it in a record ("IMAGES/09_RE 09_re").
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "modules/module_table.hpp"
#include "resource_format/asset_checks.hpp"
#include "resource_format/asset_list.hpp"
#include "resource_format/resource_names.hpp"
#include "resource_format/sound.hpp"

namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error(path.string() + ": cannot read");
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::optional<std::string> problem_of(const qz::ResourceEntry& entry, const std::string& bytes) {
  if (entry.type == "IMAGES") {
    return qz::jpeg_problem(bytes);
  }
  if (entry.type == "DMSEG") {
    return qz::sound_problem(bytes);
  }
  if (bytes.empty()) {
    return "empty resource";
  }
  return std::nullopt;
}

void stage(const std::string& name, const fs::path& resources_dir, const fs::path& out_dir) {
  const qz::modules::ModuleRow& module = qz::modules::module_row(name);
  std::vector<qz::ResourceEntry> entries = qz::common_resources(module.literal, module.title);
  const std::vector<qz::ResourceEntry> own = qz::modules::own_resources(module);
  entries.insert(entries.end(), own.begin(), own.end());

  fs::remove_all(out_dir);
  fs::create_directories(out_dir);
  std::ofstream manifest(out_dir / "manifest.txt", std::ios::binary);
  manifest << module.literal << '\n';
  for (const qz::ResourceEntry& entry : entries) {
    const fs::path source = resources_dir / entry.source_file;
    const std::string bytes = entry.source_file.empty() ? entry.bytes : read_file(source);
    const std::string what =
        entry.source_file.empty() ? "generated " + entry.type + "/" + entry.name : source.string();
    if (const auto problem = problem_of(entry, bytes)) {
      throw std::runtime_error(what + ": " + *problem);
    }
    const std::string key = qz::resource_key(entry.type, entry.name);
    const fs::path target = out_dir / key;
    if (fs::exists(target)) {
      throw std::runtime_error(what + ": resource " + target.filename().string() + " listed twice");
    }
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << bytes;
    manifest << key << ' ' << entry.name << '\n';
  }
  if (!manifest.flush()) {
    throw std::runtime_error((out_dir / "manifest.txt").string() + ": cannot write");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: qz_stage_resources MODULE RESOURCES_DIR OUT_DIR\n";
    return 2;
  }
  try {
    stage(argv[1], argv[2], argv[3]);
  } catch (const std::exception& error) {
    std::cerr << "qz_stage_resources: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
