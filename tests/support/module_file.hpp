#pragma once

#include <zip.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qz::testing {

// Writes a Linux module file that carries `resources` ("TYPE/NAME", bytes)
// in an uncompressed archive, as the build packs the real ones.
inline void write_module_file(const std::filesystem::path& path,
                              const std::vector<std::pair<std::string, std::string>>& resources) {
  const std::filesystem::path archive = path.string() + ".zip";
  int error = 0;
  zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (zip == nullptr) {
    throw std::runtime_error("cannot write " + archive.string());
  }
  for (const auto& [name, bytes] : resources) {
    // zip_close reads the bytes: `resources` outlives it.
    zip_source_t* source = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
    const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE);
    if (index < 0) {
      throw std::runtime_error("cannot add " + name);
    }
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
  }
  if (zip_close(zip) != 0) {
    throw std::runtime_error("cannot write " + archive.string());
  }
  std::ifstream in(archive, std::ios::binary);
  std::ofstream(path, std::ios::binary) << in.rdbuf();
  std::filesystem::remove(archive);
}

}  // namespace qz::testing
