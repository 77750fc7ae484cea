#pragma once

#include <atomic>
#include <functional>
#include <thread>

struct pa_simple;

namespace qz::platform {

// One stereo output stream to the PulseAudio server. A thread of its own
// asks `render` for each block of frames (left, right, count; both buffers
// zeroed) and writes it to the server.
class PulseStream {
 public:
  using Render = std::function<void(float* left, float* right, int frames)>;

  // Connects and opens the stream; throws std::runtime_error naming the
  // cause when no server answers.
  PulseStream(const char* stream_name, int sample_rate, int block_frames, Render render);
  ~PulseStream();
  PulseStream(const PulseStream&) = delete;
  PulseStream& operator=(const PulseStream&) = delete;
  PulseStream(PulseStream&&) = delete;
  PulseStream& operator=(PulseStream&&) = delete;

 private:
  void run();

  pa_simple* connection_ = nullptr;
  int block_frames_;
  Render render_;
  std::atomic<bool> stopping_{false};
  std::thread writer_;
};

}  // namespace qz::platform
