#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qz {

// Texts live in the sources as UTF-8; the exchange file carries them in
// Windows code page 1252, one byte per character.

// The CP1252 bytes of a UTF-8 text, or nothing when the text is not valid
// UTF-8 or holds a character outside the code page.
std::optional<std::string> to_cp1252(std::string_view utf8);

// The UTF-8 text of CP1252 bytes. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same
// value, as Windows does.
std::string from_cp1252(std::string_view cp1252);

// Number of characters (code points) of a valid UTF-8 text.
std::size_t character_count(std::string_view utf8);

}  // namespace qz
