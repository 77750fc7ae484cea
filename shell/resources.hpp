#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qz {

// A module carries its pictures (IMAGES) and sounds (DMSEG) inside its own
// executable file, each under a type and a name. Names are stored in capitals
// and looked up with letter case ignored; a name of decimal digits is an
// integer identifier ("100" and "0100" are the same picture).

// Resource names in capitals, as they are stored ("02_re" -> "02_RE").
std::string upper_case(std::string_view name);

// The key a resource is stored and found under: "IMAGES/08_DO", "IMAGES/100".
std::string resource_key(std::string_view type, std::string_view name);

// One resource a module carries: its type and name, and where its bytes come
// from: a file below the resources folder, or bytes made at build time.
struct ResourceEntry {
  std::string type;
  std::string name;
  std::string source_file;    // relative to resources/, empty when generated
  std::string fallback_file;  // taken when source_file is not there; may be empty
  std::string bytes;          // generated content
};

// What every module carries besides its own pictures and sounds: the blank
// picture "100", the program icon and the version record.
std::vector<ResourceEntry> common_resources(std::string_view module_literal);

// What is wrong with an asset, or nothing when it is what a module may carry:
// a baseline JPEG of 146 x 200 pixels with three components.
std::optional<std::string> jpeg_problem(std::string_view bytes);
// A Standard MIDI File whose header and track chunks hold together.
std::optional<std::string> midi_problem(std::string_view bytes);
// A RIFF WAVE file of 16-bit PCM at 44100 Hz whose chunks, whatever chunks
// stand between them, hold a format and the whole of their data.
std::optional<std::string> wave_problem(std::string_view bytes);

inline constexpr int kPictureWidth = 146;
inline constexpr int kPictureHeight = 200;

}  // namespace qz
