#pragma once

#include <string>
#include <string_view>

namespace qz {

// A module carries its pictures (IMAGES) and sounds (DMSEG) inside its own
// executable file, each under a type and a name. Names are stored in capitals
// and looked up with letter case ignored; a name of decimal digits is an
// integer identifier ("100" and "0100" are the same picture).

// Resource names in capitals, as they are stored ("02_re" -> "02_RE").
std::string upper_case(std::string_view name);

// Whether a name is an integer identifier: decimal digits only.
bool is_integer_identifier(std::string_view name);

// The key a resource is stored and found under: "IMAGES/08_DO", "IMAGES/100".
std::string resource_key(std::string_view type, std::string_view name);

}  // namespace qz
