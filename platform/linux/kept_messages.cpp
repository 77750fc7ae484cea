#include "platform/linux/kept_messages.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace qz::platform {

KeptMessages::KeptMessages() : kept_(::memfd_create("kept messages", MFD_CLOEXEC)) {
  if (kept_ < 0 && errno != EMFILE && errno != ENFILE) {
    // No memory files here (an old kernel, a sandbox): the messages are
    // dropped rather than kept, and never printed.
    kept_ = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  }
  if (kept_ >= 0) {
    (void)std::fflush(stderr);
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
  }
  if (kept_ < 0 || saved_ < 0) {
    const int error = errno;
    if (kept_ >= 0) {
      ::close(kept_);
    }
    throw std::runtime_error(std::strerror(error));
  }
  ::dup2(kept_, STDERR_FILENO);
}

KeptMessages::~KeptMessages() {
  (void)std::fflush(stderr);
  ::dup2(saved_, STDERR_FILENO);
  ::close(saved_);
  ::close(kept_);
}

std::string KeptMessages::kept() const {
  std::array<char, 1024> text{};
  const ssize_t count = ::pread(kept_, text.data(), text.size(), 0);
  return {text.data(), count > 0 ? static_cast<std::size_t>(count) : 0U};
}

std::string KeptMessages::first_line() const {
  const std::string text = kept();
  return text.substr(0, text.find('\n'));
}

std::string KeptMessages::all_lines() const {
  const std::string all = kept();
  std::string_view text = all;
  std::string lines;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    if (end > 0) {
      lines += (lines.empty() ? "" : "; ") + std::string(text.substr(0, end));
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

}  // namespace qz::platform
