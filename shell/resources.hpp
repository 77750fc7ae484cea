#pragma once

#include <string>
#include <string_view>

namespace qz {

// The resources of the module's own file, as a host finds them in it: the
// pictures (IMAGES) and sounds (DMSEG) its records name. Opened once per run;
// the sound output receives a sound's bytes from here, never a path.
class ModuleResources {
 public:
  virtual ~ModuleResources() = default;
  // The bytes of resource TYPE/NAME, letter case ignored, a name of digits
  // an integer identifier. Throws std::runtime_error naming the file and the
  // cause: "no DMSEG resource "21_Si" in Treble7.exe", or a damaged entry.
  [[nodiscard]] virtual std::string read(std::string_view type, std::string_view name) const = 0;
};

}  // namespace qz
