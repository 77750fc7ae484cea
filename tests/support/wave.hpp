#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qz::testing {

inline std::uint16_t little_endian_at(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                    (static_cast<std::uint8_t>(bytes[at + 1]) << 8U));
}

inline void put_little_endian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out += static_cast<char>((value >> (8 * i)) & 0xFFU);
  }
}

// A 16-bit PCM WAVE of `frames` stereo frames (left ramps by 100, right
// holds 8192), with an optional LIST chunk between fmt and data as
// recorders often write.
inline std::string wave(int frames, bool with_list, int rate = 44100) {
  std::string fmt = "fmt ";
  put_little_endian(fmt, 16, 4);
  put_little_endian(fmt, 1, 2);  // PCM
  put_little_endian(fmt, 2, 2);
  put_little_endian(fmt, static_cast<std::uint32_t>(rate), 4);
  put_little_endian(fmt, static_cast<std::uint32_t>(rate * 4), 4);
  put_little_endian(fmt, 4, 2);
  put_little_endian(fmt, 16, 2);
  std::string list;
  if (with_list) {
    list = "LIST";
    put_little_endian(list, 14, 4);
    list += "INFOINAM";
    put_little_endian(list, 2, 4);
    list += "x";
    list += '\0';
  }
  std::string data = "data";
  put_little_endian(data, static_cast<std::uint32_t>(frames * 4), 4);
  for (int i = 0; i < frames; ++i) {
    put_little_endian(data,
                      static_cast<std::uint32_t>(static_cast<std::int16_t>(i * 100)) & 0xFFFFU, 2);
    put_little_endian(data, 8192, 2);
  }
  std::string file = "RIFF";
  put_little_endian(file, static_cast<std::uint32_t>(4 + fmt.size() + list.size() + data.size()),
                    4);
  return file + "WAVE" + fmt + list + data;
}

}  // namespace qz::testing
