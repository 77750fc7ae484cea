#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace qz::platform {

// The temporary file a replaced file's new content is written to before it
// is renamed over the file: a dot, the file's own name, a dot and six
// letters or digits, as mkstemp makes them (".question.qzd.Ab12Cd"). The
// six are drawn at random, so that a name is never one a run killed before
// its rename left behind; should one be taken all the same, another is
// drawn.

// ".question.qzd." for "question.qzd".
std::string temporary_name_prefix(std::string_view file_name);

// The prefix and six random letters or digits.
std::string fresh_temporary_name(std::string_view prefix);

// Whether `name` is exactly the prefix and six letters or digits.
bool is_temporary_name(std::string_view name, std::string_view prefix);

// How many fresh names a writer tries before it gives up.
constexpr int kTemporaryNameAttempts = 100;

// A temporary file unchanged for this long was left by a run killed before
// its rename, and is removed by the next run: a concurrent run's file is
// milliseconds old.
constexpr std::chrono::seconds kAbandonedTemporaryAge{60};

}  // namespace qz::platform
