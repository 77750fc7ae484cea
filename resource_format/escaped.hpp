#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qz {

// Bytes taken from a file (a chunk id, an entry name), fit to quote in an
// error line: printable ASCII as it is, a backslash doubled, any other byte
// as \xNN; at most `limit` bytes of it, "..." marking the cut.
std::string escaped(std::string_view bytes, std::size_t limit = 80);

// An error line that stays one line whatever it quotes: line breaks and
// other control bytes as \xNN (\n, \r and \t by name); text beyond ASCII,
// such as a system's message in UTF-8, unchanged.
std::string one_line(std::string_view line);

}  // namespace qz
