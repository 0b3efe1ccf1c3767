#pragma once
// Memory for pixels. Pictures are large and a batch allocates the same sizes again and
// again: big blocks come from the system in huge pages where it offers them, and freed
// blocks are kept for a while and handed out again, which saves the page faults and the
// clearing of fresh memory that dominate the cost of a new block.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace velora {

struct PixelMemoryDeleter {
  size_t bytes = 0;
  void operator()(uint8_t* p) const;
};
using PixelMemory = std::unique_ptr<uint8_t[], PixelMemoryDeleter>;

// A block of at least `bytes` bytes, cleared to 0 when `zeroed`; empty when the memory
// cannot be had. Thread-safe.
PixelMemory AllocatePixels(size_t bytes, bool zeroed);

}  // namespace velora
