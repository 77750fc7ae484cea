#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/linux/sound/output_stream.hpp"

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;

namespace qz::platform {

// One stereo output stream to the PulseAudio server. The client library's
// own thread asks `render` for frames whenever the server wants more, and
// never waits on the server: a server that stops answering leaves the
// stream silent, and closing it never waits for the server.
class PulseStream final : public OutputStream {
 public:
  // Connects and opens the stream, waiting at most `answer_within` for the
  // server and asking again a server that refuses or drops the connection,
  // whatever the reason it gives; throws
  // std::runtime_error naming the cause when no server answers in time.
  PulseStream(int sample_rate, int block_frames, RenderBlock render,
              std::chrono::seconds answer_within);
  ~PulseStream() override;
  PulseStream(const PulseStream&) = delete;
  PulseStream& operator=(const PulseStream&) = delete;
  PulseStream(PulseStream&&) = delete;
  PulseStream& operator=(PulseStream&&) = delete;

 private:
  void connect(int sample_rate, std::chrono::seconds answer_within);
  void open_context(std::uint64_t wait_until);
  void close_context();
  template <typename WaitUntilReady>
  void open_stream(int sample_rate, const WaitUntilReady& wait_until_ready);
  void close_stream();
  [[nodiscard]] std::runtime_error no_server() const;
  void close();
  void write_frames(std::size_t writable_bytes);
  static void on_state_change(void* self);

  pa_threaded_mainloop* mainloop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  pa_time_event* deadline_ = nullptr;
  bool timed_out_ = false;  // guarded by the mainloop's lock
  int block_frames_;
  RenderBlock render_;
  std::vector<float> left_;
  std::vector<float> right_;
  std::vector<float> interleaved_;
};

}  // namespace qz::platform
