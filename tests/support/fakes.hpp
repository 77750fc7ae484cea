#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "resource_format/resource_names.hpp"
#include "shell/audio.hpp"
#include "shell/clock.hpp"
#include "shell/files.hpp"
#include "shell/random_draw.hpp"
#include "shell/resources.hpp"
#include "shell/window.hpp"

namespace qz::testing {

// The r value whose draw of n yields k.
inline double r_for(int k, int n) { return (k - 0.5) / n; }

// Hands out scripted r values; running dry is a test failure.
class ScriptedSource final : public UniformSource {
 public:
  ScriptedSource() = default;
  ScriptedSource(std::initializer_list<double> values) : values_(values) {}
  void push_draw(int k, int n) { values_.push_back(r_for(k, n)); }
  double reseed_and_next() override {
    if (values_.empty()) {
      throw std::logic_error("scripted random source ran dry");
    }
    const double r = values_.front();
    values_.pop_front();
    ++taken_;
    return r;
  }
  [[nodiscard]] std::size_t left() const { return values_.size(); }
  [[nodiscard]] std::size_t taken() const { return taken_; }

 private:
  std::deque<double> values_;
  std::size_t taken_ = 0;
};

// Time moves only when the code under test sleeps or a test advances it.
class ScriptedClock final : public Clock {
 public:
  std::chrono::milliseconds now() override { return now_; }
  void sleep_until(std::chrono::milliseconds when) override {
    if (when > now_) {
      now_ = when;
    }
  }
  std::uint64_t seed_ticks() override { return 42; }
  void advance(std::chrono::milliseconds by) { now_ += by; }

 private:
  std::chrono::milliseconds now_{1000000};
};

// A host's request to close the window, coming at a scripted time on the
// clock (none by default).
class ScriptedCloseRequests final : public CloseRequests {
 public:
  explicit ScriptedCloseRequests(ScriptedClock& clock) : clock_(clock) {}
  std::optional<std::chrono::milliseconds> comes_at;

  std::optional<std::string> wait_until(std::chrono::milliseconds when) override {
    if (comes_at && *comes_at <= when) {
      clock_.sleep_until(*comes_at);
      return "SIGTERM";
    }
    clock_.sleep_until(when);
    return std::nullopt;
  }
  std::optional<std::string> pending() override {
    if (comes_at && *comes_at <= clock_.now()) {
      return "SIGTERM";
    }
    return std::nullopt;
  }

 private:
  ScriptedClock& clock_;
};

class MemoryFileSystem final : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> log;                  // "read <path>", "replace <path>"
  std::vector<std::string>* also_log = nullptr;  // to interleave with other fakes' logs

  std::unique_ptr<ByteSource> open_for_reading(const std::string& path) override {
    note("read " + path);
    const auto it = files.find(path);
    if (it == files.end()) {
      throw std::runtime_error("no such file");
    }
    return std::make_unique<StringSource>(it->second);
  }
  void replace_contents(const std::string& path, std::string_view bytes) override {
    note("replace " + path);
    files[path] = std::string(bytes);
  }

  void note(const std::string& line) {
    log.push_back(line);
    if (also_log != nullptr) {
      also_log->push_back(line);
    }
  }

  class StringSource final : public ByteSource {
   public:
    explicit StringSource(std::string text, std::size_t block = 7)
        : text_(std::move(text)), block_(block) {}
    std::size_t read(std::span<char> buffer) override {
      const std::size_t count = std::min({buffer.size(), block_, text_.size() - pos_});
      text_.copy(buffer.data(), count, pos_);
      pos_ += count;
      return count;
    }
    [[nodiscard]] std::size_t position() const { return pos_; }

   private:
    std::string text_;
    std::size_t block_;
    std::size_t pos_ = 0;
  };
};

// A module file's resources in memory, by "TYPE/NAME" key (names in
// capitals); every read is logged when a log is given.
class MemoryResources final : public ModuleResources {
 public:
  explicit MemoryResources(std::map<std::string, std::string> entries = {},
                           std::vector<std::string>* log = nullptr)
      : entries_(std::move(entries)), log_(log) {}
  [[nodiscard]] std::string read(std::string_view type, std::string_view name) const override {
    if (log_ != nullptr) {
      log_->push_back("read " + std::string(type) + " " + std::string(name));
    }
    const auto entry = entries_.find(resource_key(type, name));
    if (entry == entries_.end()) {
      throw std::runtime_error("no " + std::string(type) + " resource \"" + std::string(name) +
                               "\" in Treble7.exe");
    }
    return entry->second;
  }

 private:
  std::map<std::string, std::string> entries_;
  std::vector<std::string>* log_;
};

// Records every call, with the bytes of the segment loaded; fails where told to.
class RecordingAudio final : public AudioLayer {
 public:
  explicit RecordingAudio(std::vector<std::string>& log) : log_(log) {}
  bool fail_start = false;
  bool fail_play = false;
  std::function<void()> on_play;  // called at each play, before it fails

  void start(Sound::Kind /*sounds*/) override {
    log_.push_back("audio start");
    if (fail_start) {
      throw std::runtime_error("no sound server");
    }
  }
  void load_segment(std::string bytes) override { log_.push_back("load " + bytes); }
  void play_segment() override {
    log_.push_back("play");
    if (on_play) {
      on_play();
    }
    if (fail_play) {
      throw std::runtime_error("the device went away\nand said so on two lines");
    }
  }
  void set_master_volume(int value) override { log_.push_back("volume " + std::to_string(value)); }

 private:
  std::vector<std::string>& log_;
};

}  // namespace qz::testing
