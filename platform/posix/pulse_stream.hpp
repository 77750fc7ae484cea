#pragma once

#include <atomic>
#include <thread>

#include "platform/sound/output_stream.hpp"

struct pa_simple;

namespace qz::platform {

// One stereo output stream to the PulseAudio server. A thread of its own
// asks `render` for each block of frames and writes it to the server.
class PulseStream final : public OutputStream {
 public:
  // Connects and opens the stream; throws std::runtime_error naming the
  // cause when no server answers.
  PulseStream(int sample_rate, int block_frames, RenderBlock render);
  ~PulseStream() override;
  PulseStream(const PulseStream&) = delete;
  PulseStream& operator=(const PulseStream&) = delete;
  PulseStream(PulseStream&&) = delete;
  PulseStream& operator=(PulseStream&&) = delete;

 private:
  void run();

  pa_simple* connection_ = nullptr;
  int block_frames_;
  RenderBlock render_;
  std::atomic<bool> stopping_{false};
  std::thread writer_;
};

}  // namespace qz::platform
