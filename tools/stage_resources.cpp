// Build step: lays out in a folder, as TYPE/NAME files, every resource a
// module carries, after checking each one; tools/append_resources.py then
// appends them to the module's executable.
//
//   qz_stage_resources MODULE RESOURCES_DIR OUT_DIR
#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "banks/instruments_bank.hpp"
#include "banks/oeuvres_bank.hpp"
#include "banks/portraits_bank.hpp"
#include "banks/theorie_bank.hpp"
#include "note_reading/note_resources.hpp"
#include "shell/resources.hpp"

namespace {

namespace fs = std::filesystem;

struct Module {
  std::string literal;
  std::vector<qz::ResourceEntry> resources;
};

std::vector<qz::ResourceEntry> no_resources() { return {}; }

struct BankModule {
  const char* name;
  qz::ModuleDescriptor (*module)();
  std::vector<qz::ResourceEntry> (*resources)();
};

// clang-format off
constexpr std::array<BankModule, 4> kBankModules = {{
    {"oeuvres", qz::banks::oeuvres::module, no_resources},
    {"theorie", qz::banks::theorie::module, no_resources},
    {"portraits", qz::banks::portraits::module, qz::banks::portraits::resources},
    {"instruments", qz::banks::instruments::module, qz::banks::instruments::resources},
}};
// clang-format on

Module module_named(const std::string& name) {
  for (const auto& variant : qz::note_reading::note_variants()) {
    if (variant.name == name) {
      return {std::string(variant.literal), qz::note_reading::note_resources(variant)};
    }
  }
  for (const BankModule& bank : kBankModules) {
    if (name == bank.name) {
      return {std::string(bank.module().literal), bank.resources()};
    }
  }
  throw std::runtime_error("no module named " + name);
}

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
    return bytes.compare(0, 4, "RIFF") == 0 ? qz::wave_problem(bytes) : qz::midi_problem(bytes);
  }
  if (bytes.empty()) {
    return "empty resource";
  }
  return std::nullopt;
}

void stage(const std::string& name, const fs::path& resources_dir, const fs::path& out_dir) {
  Module module = module_named(name);
  std::vector<qz::ResourceEntry> entries = qz::common_resources(module.literal);
  entries.insert(entries.end(), module.resources.begin(), module.resources.end());

  fs::remove_all(out_dir);
  for (const qz::ResourceEntry& entry : entries) {
    fs::path source = resources_dir / entry.source_file;
    if (!entry.fallback_file.empty() && !fs::exists(source)) {
      source = resources_dir / entry.fallback_file;
    }
    const std::string bytes = entry.source_file.empty() ? entry.bytes : read_file(source);
    const std::string what =
        entry.source_file.empty() ? "generated " + entry.type + "/" + entry.name : source.string();
    if (const auto problem = problem_of(entry, bytes)) {
      throw std::runtime_error(what + ": " + *problem);
    }
    const fs::path target = out_dir / qz::resource_key(entry.type, entry.name);
    if (fs::exists(target)) {
      throw std::runtime_error(what + ": resource " + target.filename().string() + " listed twice");
    }
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << bytes;
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
