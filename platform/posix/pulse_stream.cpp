#include "platform/posix/pulse_stream.hpp"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace qz::platform {

PulseStream::PulseStream(int sample_rate, int block_frames, RenderBlock render)
    : block_frames_(block_frames), render_(std::move(render)) {
  const pa_sample_spec sample_format{PA_SAMPLE_FLOAT32LE, static_cast<std::uint32_t>(sample_rate),
                                     2};
  // Two blocks in the server's buffer: short enough to start a sound within
  // tens of milliseconds, long enough never to run dry.
  const auto block_bytes =
      static_cast<std::uint32_t>(block_frames * 2 * static_cast<int>(sizeof(float)));
  const pa_buffer_attr buffer{static_cast<std::uint32_t>(-1), 2 * block_bytes,
                              static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
                              static_cast<std::uint32_t>(-1)};
  int error = 0;
  connection_ = pa_simple_new(nullptr, "quiz module", PA_STREAM_PLAYBACK, nullptr, "question",
                              &sample_format, nullptr, &buffer, &error);
  if (connection_ == nullptr) {
    throw std::runtime_error(std::string("no sound server (PulseAudio): ") + pa_strerror(error));
  }
  writer_ = std::thread([this] { run(); });
}

PulseStream::~PulseStream() {
  stopping_.store(true);
  if (writer_.joinable()) {
    writer_.join();
  }
  if (connection_ != nullptr) {
    pa_simple_free(connection_);
  }
}

void PulseStream::run() {
  const auto frames = static_cast<std::size_t>(block_frames_);
  std::vector<float> left(frames);
  std::vector<float> right(frames);
  std::vector<float> interleaved(2 * frames);
  while (!stopping_.load()) {
    std::fill(left.begin(), left.end(), 0.0F);
    std::fill(right.begin(), right.end(), 0.0F);
    render_(left.data(), right.data(), block_frames_);
    for (std::size_t i = 0; i < frames; ++i) {
      interleaved[2 * i] = left[i];
      interleaved[2 * i + 1] = right[i];
    }
    int error = 0;
    if (pa_simple_write(connection_, interleaved.data(), interleaved.size() * sizeof(float),
                        &error) < 0) {
      return;  // the server went away: nothing more can be heard
    }
  }
}

}  // namespace qz::platform
