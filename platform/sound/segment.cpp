#include "platform/sound/segment.hpp"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "resource_format/asset_checks.hpp"

namespace qz::platform {
namespace {

// libsndfile reads the WAVE from memory through these.
struct MemoryFile {
  const std::string& bytes;
  sf_count_t position = 0;
};

sf_count_t memory_length(void* user) {
  return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size());
}

sf_count_t memory_seek(sf_count_t offset, int whence, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  const auto size = static_cast<sf_count_t>(file->bytes.size());
  sf_count_t target = offset;
  if (whence == SEEK_CUR) {
    target += file->position;
  } else if (whence == SEEK_END) {
    target += size;
  }
  file->position = std::clamp<sf_count_t>(target, 0, size);
  return file->position;
}

sf_count_t memory_read(void* destination, sf_count_t count, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  const auto size = static_cast<sf_count_t>(file->bytes.size());
  const sf_count_t available = std::min(count, size - file->position);
  std::memcpy(destination, file->bytes.data() + file->position,
              static_cast<std::size_t>(available));
  file->position += available;
  return available;
}

sf_count_t memory_write(const void* /*source*/, sf_count_t /*count*/, void* /*user*/) { return 0; }

sf_count_t memory_tell(void* user) { return static_cast<MemoryFile*>(user)->position; }

std::vector<float> decode_wave(const std::string& bytes) {
  SF_VIRTUAL_IO io{memory_length, memory_seek, memory_read, memory_write, memory_tell};
  MemoryFile file{bytes};
  SF_INFO info{};
  SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &file);
  if (sound == nullptr) {
    throw std::runtime_error(std::string("unreadable WAVE: ") + sf_strerror(nullptr));
  }
  std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
  const sf_count_t read = sf_readf_float(sound, samples.data(), info.frames);
  sf_close(sound);
  if (info.channels != 1 && info.channels != 2) {
    throw std::runtime_error("WAVE with " + std::to_string(info.channels) + " channels");
  }
  if (read != info.frames) {
    throw std::runtime_error("truncated WAVE");
  }
  if (info.channels == 2) {
    return samples;
  }
  std::vector<float> stereo(samples.size() * 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    stereo[2 * i] = samples[i];
    stereo[2 * i + 1] = samples[i];
  }
  return stereo;
}

}  // namespace

std::shared_ptr<const Segment> decode_segment(std::string bytes) {
  auto segment = std::make_shared<Segment>();
  if (bytes.compare(0, 4, "MThd") == 0) {
    if (const auto problem = midi_problem(bytes)) {
      throw std::runtime_error(*problem);
    }
    segment->kind = Segment::Kind::midi;
    segment->midi = std::move(bytes);
  } else if (bytes.size() >= 12 && bytes.compare(0, 4, "RIFF") == 0 &&
             bytes.compare(8, 4, "WAVE") == 0) {
    if (const auto problem = wave_problem(bytes)) {
      throw std::runtime_error(*problem);
    }
    segment->kind = Segment::Kind::wave;
    segment->stereo_frames = decode_wave(bytes);
  } else {
    throw std::runtime_error("neither a MIDI file nor a WAVE recording");
  }
  return segment;
}

}  // namespace qz::platform
