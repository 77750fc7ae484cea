#include "platform/linux/pulse_stream.hpp"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/linux/kept_messages.hpp"

namespace qz::platform {
namespace {

constexpr std::size_t kFrameBytes = 2 * sizeof(float);

// Holds the client thread's lock: callbacks run under it.
class MainloopLock {
 public:
  explicit MainloopLock(pa_threaded_mainloop* mainloop) : mainloop_(mainloop) {
    pa_threaded_mainloop_lock(mainloop_);
  }
  ~MainloopLock() { pa_threaded_mainloop_unlock(mainloop_); }
  MainloopLock(const MainloopLock&) = delete;
  MainloopLock& operator=(const MainloopLock&) = delete;
  MainloopLock(MainloopLock&&) = delete;
  MainloopLock& operator=(MainloopLock&&) = delete;

 private:
  pa_threaded_mainloop* mainloop_;
};

// How long to wait before asking again a server that refused or dropped the
// connection: one whose listen queue or client table is full for a moment
// does so at once.
constexpr std::chrono::milliseconds kRetryPause{50};

}  // namespace

PulseStream::PulseStream(int sample_rate, int block_frames, RenderBlock render,
                         std::chrono::seconds answer_within)
    : block_frames_(block_frames),
      render_(std::move(render)),
      left_(static_cast<std::size_t>(block_frames)),
      right_(static_cast<std::size_t>(block_frames)),
      interleaved_(2 * static_cast<std::size_t>(block_frames)) {
  // The sound client prints warnings of its own (a cookie file it cannot
  // read, no file left for its pipes): kept to name the cause if connecting
  // fails.
  std::optional<KeptMessages> messages;
  try {
    messages.emplace();
  } catch (const std::runtime_error& error) {
    // Without a file for them it could not connect either.
    throw std::runtime_error(std::string("cannot start the sound client (PulseAudio): ") +
                             error.what());
  }
  try {
    connect(sample_rate, answer_within);
  } catch (const std::runtime_error& error) {
    close();
    const std::string message = messages->first_line();
    throw std::runtime_error(message.empty() ? error.what()
                                             : std::string(error.what()) + " (" + message + ")");
  } catch (...) {
    close();
    throw;
  }
}

PulseStream::~PulseStream() { close(); }

void PulseStream::on_state_change(void* self) {
  pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->mainloop_, 0);
}

std::runtime_error PulseStream::no_server() const {
  return std::runtime_error(std::string("no sound server (PulseAudio): ") +
                            pa_strerror(pa_context_errno(context_)));
}

// A new context asking the server, with the deadline of the whole wait. Run
// with the client thread's lock held.
void PulseStream::open_context(pa_usec_t wait_until) {
  context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "quiz module");
  if (context_ == nullptr) {
    throw std::runtime_error("cannot start the sound client (PulseAudio)");
  }
  pa_context_set_state_callback(
      context_, [](pa_context* /*context*/, void* self) { on_state_change(self); }, this);
  // A server that accepts the connection and then never answers would keep
  // the module waiting; its time runs out instead.
  deadline_ = pa_context_rttime_new(
      context_, wait_until,
      [](pa_mainloop_api* /*api*/, pa_time_event* /*event*/, const timeval* /*when*/, void* self) {
        auto* stream = static_cast<PulseStream*>(self);
        stream->timed_out_ = true;
        pa_threaded_mainloop_signal(stream->mainloop_, 0);
      },
      this);
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) {
    throw no_server();
  }
}

void PulseStream::close_stream() {
  if (stream_ != nullptr) {
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }
}

void PulseStream::close_context() {
  if (deadline_ != nullptr) {
    pa_threaded_mainloop_get_api(mainloop_)->time_free(deadline_);
    deadline_ = nullptr;
  }
  if (context_ != nullptr) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }
}

void PulseStream::connect(int sample_rate, std::chrono::seconds answer_within) {
  mainloop_ = pa_threaded_mainloop_new();
  if (mainloop_ == nullptr) {
    throw std::runtime_error("cannot start the sound client (PulseAudio)");
  }
  const MainloopLock lock(mainloop_);
  if (pa_threaded_mainloop_start(mainloop_) < 0) {
    throw std::runtime_error("cannot start the sound client (PulseAudio)");
  }
  const auto wait_until =
      pa_rtclock_now() + static_cast<pa_usec_t>(answer_within.count()) * PA_USEC_PER_SEC;
  const std::string no_answer = "the sound server (PulseAudio) did not answer within " +
                                std::to_string(answer_within.count()) + " s";
  // Waits, the lock held, until `ready` says so; throws when `failed` does
  // or when the time is up.
  const auto wait_until_ready = [this, &no_answer](auto ready, auto failed) {
    while (!ready()) {
      if (failed()) {
        throw no_server();
      }
      if (timed_out_) {
        throw std::runtime_error(no_answer);
      }
      pa_threaded_mainloop_wait(mainloop_);
    }
  };
  const auto retry_pause = static_cast<pa_usec_t>(kRetryPause.count()) * PA_USEC_PER_MSEC;
  for (;;) {
    try {
      open_context(wait_until);
      wait_until_ready([this] { return pa_context_get_state(context_) == PA_CONTEXT_READY; },
                       [this] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)); });
      open_stream(sample_rate, wait_until_ready);
      return;
    } catch (const std::runtime_error&) {
      // Whatever the server said (its listen queue or its table of clients
      // full, a restart under way), it may take us a moment later.
      if (timed_out_ || pa_rtclock_now() + retry_pause >= wait_until) {
        throw;
      }
      close_stream();
      close_context();
      std::this_thread::sleep_for(kRetryPause);
    }
  }
}

template <typename WaitUntilReady>
void PulseStream::open_stream(int sample_rate, const WaitUntilReady& wait_until_ready) {
  const pa_sample_spec sample_format{PA_SAMPLE_FLOAT32LE, static_cast<std::uint32_t>(sample_rate),
                                     2};
  stream_ = pa_stream_new(context_, "question", &sample_format, nullptr);
  if (stream_ == nullptr) {
    throw no_server();
  }
  pa_stream_set_state_callback(
      stream_, [](pa_stream* /*stream*/, void* self) { on_state_change(self); }, this);
  pa_stream_set_write_callback(
      stream_,
      [](pa_stream* /*stream*/, std::size_t writable_bytes, void* self) {
        static_cast<PulseStream*>(self)->write_frames(writable_bytes);
      },
      this);
  // Two blocks in the server's buffer: short enough to start a sound within
  // tens of milliseconds, long enough never to run dry.
  const auto block_bytes = static_cast<std::uint32_t>(block_frames_) * kFrameBytes;
  const pa_buffer_attr buffer{static_cast<std::uint32_t>(-1),
                              static_cast<std::uint32_t>(2 * block_bytes),
                              static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
                              static_cast<std::uint32_t>(-1)};
  const auto flags = static_cast<pa_stream_flags_t>(
      PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE);
  if (pa_stream_connect_playback(stream_, nullptr, &buffer, flags, nullptr, nullptr) < 0) {
    throw no_server();
  }
  wait_until_ready([this] { return pa_stream_get_state(stream_) == PA_STREAM_READY; },
                   [this] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)); });
}

// On the client thread, when the server wants `writable_bytes` more.
void PulseStream::write_frames(std::size_t writable_bytes) {
  for (std::size_t wanted = writable_bytes / kFrameBytes; wanted > 0;) {
    const std::size_t frames = std::min(wanted, left_.size());
    std::fill_n(left_.begin(), frames, 0.0F);
    std::fill_n(right_.begin(), frames, 0.0F);
    render_(left_.data(), right_.data(), static_cast<int>(frames));
    for (std::size_t i = 0; i < frames; ++i) {
      interleaved_[2 * i] = left_[i];
      interleaved_[2 * i + 1] = right_[i];
    }
    if (pa_stream_write(stream_, interleaved_.data(), frames * kFrameBytes, nullptr, 0,
                        PA_SEEK_RELATIVE) < 0) {
      return;  // the server went away: nothing more can be heard
    }
    wanted -= frames;
  }
}

// Nothing here waits for the server: disconnecting only queues messages and
// closes the socket, and the client thread stops at once.
void PulseStream::close() {
  if (mainloop_ == nullptr) {
    return;
  }
  {
    const MainloopLock lock(mainloop_);
    close_stream();
    close_context();
  }
  pa_threaded_mainloop_stop(mainloop_);
  pa_threaded_mainloop_free(mainloop_);
  mainloop_ = nullptr;
}

}  // namespace qz::platform
