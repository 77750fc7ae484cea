#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qz {

// One resource of a Windows executable's resource section, in its first
// language. Custom types and names keep their text ("IMAGES", "08_DO"); the
// system's types and integer identifiers are decimal text, but for the
// types a module carries besides its own: "ICON" (group icon), "VERSION"
// and "MANIFEST".
struct PeResource {
  std::string type;
  std::string name;
  std::string_view bytes;  // within the file's bytes
};

// Whether the bytes begin as a Windows executable does ("MZ").
bool looks_like_pe(std::string_view file);

// The resources of a PE file (PE32 or PE32+) whose bytes are `file`; throws
// std::runtime_error naming what is damaged. Reads the resource directory
// the way the Windows resource functions do, for hosts and tools that run
// elsewhere.
std::vector<PeResource> pe_resources(std::string_view file);

}  // namespace qz
