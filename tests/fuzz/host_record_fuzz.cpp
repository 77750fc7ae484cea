// The host record reader on any input: the same fields however the input is
// split into reads, and a failure exactly when fewer than nine fields.
//
// Input: one byte n (taken modulo 16), n bytes giving the sizes of the
// reads, then the file's text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <stdexcept>
#include <string_view>

#include "shell/host_record_reader.hpp"

namespace {

// Hands out `text` in reads whose sizes follow `sizes` in turn: a byte below
// 128 asks for 1 to 16 bytes, any other for as much as the buffer holds.
class SplitSource final : public qz::ByteSource {
 public:
  SplitSource(std::string_view text, std::string_view sizes) : text_(text), sizes_(sizes) {}

  std::size_t read(std::span<char> buffer) override {
    std::size_t count = buffer.size();
    if (!sizes_.empty()) {
      const auto size = static_cast<unsigned char>(sizes_[reads_++ % sizes_.size()]);
      if (size < 128) {
        count = 1 + size % 16;
      }
    }
    count = std::min({count, buffer.size(), text_.size()});
    text_.copy(buffer.data(), count);
    text_.remove_prefix(count);
    return count;
  }

 private:
  std::string_view text_;
  std::string_view sizes_;
  std::size_t reads_ = 0;
};

bool consume_fails(std::string_view text, std::string_view sizes) {
  SplitSource source(text, sizes);
  try {
    qz::consume_host_record(source);
  } catch (const std::runtime_error&) {
    return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input.empty() || input.size() < 1U + static_cast<unsigned char>(input[0]) % 16U) {
    return 0;
  }
  const std::size_t sizes_length = static_cast<unsigned char>(input[0]) % 16U;
  const std::string_view sizes = input.substr(1, sizes_length);
  const std::string_view text = input.substr(1 + sizes_length);

  SplitSource whole(text, "");
  const qz::HostFields expected = qz::read_host_fields(whole);
  SplitSource split(text, sizes);
  const qz::HostFields fields = qz::read_host_fields(split);
  if (fields.count != expected.count || fields.bytes_read != expected.bytes_read ||
      fields.values != expected.values) {
    std::abort();  // the fields depend on how the file was read
  }
  if (consume_fails(text, sizes) != (expected.count < qz::kHostFieldsNeeded)) {
    std::abort();
  }
  return 0;
}
