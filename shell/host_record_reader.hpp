#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "shell/files.hpp"

namespace qz {

// Reading the host's record. The values are never used: reading them
// consumes the host's request and makes a run without one fail before
// anything is drawn.
//
// Field rules:
// - Blanks (space, tab) before a field are skipped.
// - A field that begins with a double quote runs to the next double quote,
//   across line ends if need be; what follows that quote up to the next
//   delimiter is skipped. A quote left open runs to the end of the file.
// - Any other field runs to the next delimiter.
// - Delimiters are the comma and the line end (CR, LF or CR LF, each one
//   line end). Every delimiter ends exactly one field, so a run of
//   delimiters or a blank line yields empty fields.
// - At the end of the file a field counts if any byte of it was read; the
//   end of the file right after a delimiter starts no field.
// Reading stops at the end of the ninth field: what follows is not parsed.
// That end is known only from the delimiter after the field (after a CR, from
// the byte after it too, which may be its LF), so the last block read is the
// one holding that byte: one block beyond the field's own when the field
// ends on a block's last byte, or the read that finds the end of the file.
struct HostFields {
  std::size_t count = 0;              // fields read, at most 9
  std::size_t bytes_read = 0;         // bytes consumed up to the last field's end
  std::array<std::string, 9> values;  // each kept up to kKeptFieldBytes
};

inline constexpr std::size_t kHostFieldsNeeded = 9;
inline constexpr std::size_t kKeptFieldBytes = 4096;

HostFields read_host_fields(ByteSource& source);

// Consumes the host's record; throws std::runtime_error ("8 fields, 9
// needed", "the file is empty") when it holds fewer than nine fields.
void consume_host_record(ByteSource& source);

}  // namespace qz
