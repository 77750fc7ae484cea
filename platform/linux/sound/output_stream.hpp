#pragma once

#include <functional>
#include <memory>

namespace qz::platform {

// Fills one block of output: `frames` samples in each of `left` and
// `right`, both zeroed before the call.
using RenderBlock = std::function<void(float* left, float* right, int frames)>;

// A stereo float output stream to the machine's sound system. Once opened
// it asks its RenderBlock for block after block on a thread of its own until
// it is destroyed.
class OutputStream {
 public:
  virtual ~OutputStream() = default;
};

// Opens a stream at `sample_rate` in blocks of `block_frames`; throws
// std::runtime_error naming the cause when the sound system does not answer.
using OpenOutputStream = std::function<std::unique_ptr<OutputStream>(
    int sample_rate, int block_frames, RenderBlock render)>;

}  // namespace qz::platform
