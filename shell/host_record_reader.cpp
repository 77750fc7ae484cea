#include "shell/host_record_reader.hpp"

#include <stdexcept>

namespace qz {
namespace {

constexpr int kEnd = -1;

// Byte-at-a-time view of a ByteSource, read in blocks.
class BlockReader {
 public:
  explicit BlockReader(ByteSource& source) : source_(source) {}

  int peek() {
    if (pos_ == length_ && !at_end_) {
      length_ = source_.read(block_);
      pos_ = 0;
      at_end_ = length_ == 0;
    }
    return pos_ < length_ ? static_cast<unsigned char>(block_[pos_]) : kEnd;
  }

  int get() {
    const int c = peek();
    if (c != kEnd) {
      ++pos_;
      ++consumed_;
    }
    return c;
  }

  [[nodiscard]] std::size_t consumed() const { return consumed_; }

 private:
  ByteSource& source_;
  std::array<char, 4096> block_{};
  std::size_t pos_ = 0;
  std::size_t length_ = 0;
  std::size_t consumed_ = 0;
  bool at_end_ = false;
};

bool is_line_end(int c) { return c == '\r' || c == '\n'; }

// Consumes the delimiter `c` that was just read; a CR takes its LF along.
void finish_line_end(BlockReader& in, int c) {
  if (c == '\r' && in.peek() == '\n') {
    in.get();
  }
}

// Reads one field into `value`. Returns false when the end of the file came
// before any byte of the field.
bool read_field(BlockReader& in, std::string& value) {
  auto keep = [&value](int c) {
    if (value.size() < kKeptFieldBytes) {
      value += static_cast<char>(c);
    }
  };
  int c = in.get();
  if (c == kEnd) {
    return false;
  }
  while (c == ' ' || c == '\t') {
    c = in.get();
  }
  if (c == '"') {
    for (c = in.get(); c != '"' && c != kEnd; c = in.get()) {
      keep(c);
    }
    if (c == '"') {
      c = in.get();
    }
    while (c != ',' && !is_line_end(c) && c != kEnd) {
      c = in.get();
    }
  } else {
    while (c != ',' && !is_line_end(c) && c != kEnd) {
      keep(c);
      c = in.get();
    }
  }
  finish_line_end(in, c);
  return true;
}

}  // namespace

HostFields read_host_fields(ByteSource& source) {
  BlockReader in(source);
  HostFields fields;
  while (fields.count < kHostFieldsNeeded && read_field(in, fields.values[fields.count])) {
    ++fields.count;
  }
  fields.bytes_read = in.consumed();
  return fields;
}

void consume_host_record(ByteSource& source) {
  const HostFields fields = read_host_fields(source);
  if (fields.bytes_read == 0) {
    throw std::runtime_error("the file is empty, 9 fields needed");
  }
  if (fields.count < kHostFieldsNeeded) {
    throw std::runtime_error(std::to_string(fields.count) +
                             (fields.count == 1 ? " field, 9 needed" : " fields, 9 needed"));
  }
}

}  // namespace qz
