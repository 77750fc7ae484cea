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

// Whether a text is well-formed UTF-8: no overlong forms, no surrogates, no
// code point beyond U+10FFFF.
bool is_valid_utf8(std::string_view text);

// The character of one CP1252 byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 control of the
// same value, as Windows reads them; to_cp1252 never writes them.
char32_t cp1252_character(unsigned char byte);

}  // namespace qz
