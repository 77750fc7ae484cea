#include "resource_format/midi_file.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "resource_format/byte_order.hpp"

namespace qz {
namespace {

// Reads the events of one track chunk's data.
class TrackReader {
 public:
  TrackReader(std::string_view data, std::uint32_t track) : data_(data), track_(track) {}

  void read_into(std::vector<MidiEvent>& events) {
    std::uint32_t tick = 0;
    std::uint8_t running_status = 0;
    while (at_ < data_.size()) {
      tick += variable_length();
      std::uint8_t status = next_byte();
      if (status < 0x80) {
        if (running_status == 0) {
          fail("a data byte without a status byte");
        }
        status = running_status;
        --at_;  // the byte read is the first data byte
      }
      if (status == 0xFF) {
        const std::uint8_t type = next_byte();
        const std::string_view payload = take(variable_length());
        if (type == 0x2F) {
          return;  // end of track
        }
        if (type == 0x51) {
          if (payload.size() != 3) {
            fail("a tempo event of " + std::to_string(payload.size()) + " bytes");
          }
          events.push_back({tick, MidiEvent::Kind::tempo, big_endian(payload, 0, 3)});
        }
      } else if (status == 0xF0 || status == 0xF7) {
        take(variable_length());  // system exclusive: not played
        running_status = 0;
      } else if (status >= 0xF1) {
        fail("a system message in a file");
      } else {
        running_status = status;
        const bool one_data_byte = (status & 0xF0U) == 0xC0U || (status & 0xF0U) == 0xD0U;
        std::uint32_t message = status;
        message |= static_cast<std::uint32_t>(data_byte()) << 8U;
        if (!one_data_byte) {
          message |= static_cast<std::uint32_t>(data_byte()) << 16U;
        }
        events.push_back({tick, MidiEvent::Kind::channel_message, message});
      }
    }
    fail("no end-of-track event");
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error("MIDI track " + std::to_string(track_) + ": " + what);
  }

  std::uint8_t next_byte() {
    if (at_ >= data_.size()) {
      fail("an event runs past the end of the track");
    }
    return static_cast<std::uint8_t>(data_[at_++]);
  }

  std::uint8_t data_byte() {
    const std::uint8_t byte = next_byte();
    if (byte >= 0x80) {
      fail("a status byte where a data byte belongs");
    }
    return byte;
  }

  // A variable-length quantity: at most four bytes of seven bits.
  std::uint32_t variable_length() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const std::uint8_t byte = next_byte();
      value = (value << 7U) | (byte & 0x7FU);
      if ((byte & 0x80U) == 0) {
        return value;
      }
    }
    fail("a variable-length number of more than four bytes");
  }

  std::string_view take(std::uint32_t count) {
    if (count > data_.size() - at_) {
      fail("an event runs past the end of the track");
    }
    const std::string_view part = data_.substr(at_, count);
    at_ += count;
    return part;
  }

  std::string_view data_;
  std::uint32_t track_;
  std::size_t at_ = 0;
};

}  // namespace

MidiSequence parse_midi(std::string_view bytes) {
  if (bytes.size() < 14 || bytes.substr(0, 4) != "MThd" || big_endian(bytes, 4, 4) != 6) {
    throw std::runtime_error("not a Standard MIDI File (no MThd header)");
  }
  const std::uint32_t format = big_endian(bytes, 8, 2);
  const std::uint32_t tracks = big_endian(bytes, 10, 2);
  if (format > 2 || tracks == 0 || (format == 0 && tracks != 1)) {
    throw std::runtime_error("MIDI header with format " + std::to_string(format) + " and " +
                             std::to_string(tracks) + " tracks");
  }
  const std::uint32_t division = big_endian(bytes, 12, 2);
  if (division == 0 || (division & 0x8000U) != 0) {
    throw std::runtime_error("MIDI time division " + std::to_string(division) +
                             ": ticks per quarter note needed");
  }
  MidiSequence sequence;
  sequence.ticks_per_quarter = static_cast<int>(division);
  std::size_t at = 14;
  for (std::uint32_t track = 1; track <= tracks; ++track) {
    if (at + 8 > bytes.size() || bytes.substr(at, 4) != "MTrk") {
      throw std::runtime_error("MIDI track " + std::to_string(track) + " missing");
    }
    const std::uint32_t length = big_endian(bytes, at + 4, 4);
    if (length > bytes.size() - at - 8) {
      throw std::runtime_error("MIDI track " + std::to_string(track) +
                               " runs past the end of the file");
    }
    TrackReader(bytes.substr(at + 8, length), track).read_into(sequence.events);
    at += 8 + length;
  }
  std::stable_sort(sequence.events.begin(), sequence.events.end(),
                   [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
  return sequence;
}

}  // namespace qz
