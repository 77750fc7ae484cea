#pragma once

#include <string>

namespace qz::platform {

// What libraries print on the standard error stream while this lives (the
// sound client's warnings, the dynamic loader's, a library's assertion), kept
// in a file of its own instead, to fold into the module's one error line.
// Throws std::runtime_error when no file can be opened for them (the
// process's open-file limit reached): what they would have printed would
// otherwise reach the stream. Where the system has no memory files they are
// dropped, not kept.
class KeptMessages {
 public:
  KeptMessages();
  ~KeptMessages();
  KeptMessages(const KeptMessages&) = delete;
  KeptMessages& operator=(const KeptMessages&) = delete;
  KeptMessages(KeptMessages&&) = delete;
  KeptMessages& operator=(KeptMessages&&) = delete;

  // The first line kept, or nothing.
  [[nodiscard]] std::string first_line() const;
  // Every line kept, joined by "; ", or nothing.
  [[nodiscard]] std::string all_lines() const;

 private:
  [[nodiscard]] std::string kept() const;

  int kept_ = -1;
  int saved_ = -1;
};

}  // namespace qz::platform
