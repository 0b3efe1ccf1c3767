#include "picture/pixel_memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace velora {

namespace {

// AddressSanitizer checks only memory that comes from malloc: under it, every block
// does, so that reads and writes past a picture's pixels are caught.
#if defined(__SANITIZE_ADDRESS__)
#define VELORA_PIXELS_FROM_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELORA_PIXELS_FROM_MALLOC 1
#endif
#endif

#ifdef VELORA_PIXELS_FROM_MALLOC
constexpr bool kAllFromMalloc = true;
#else
constexpr bool kAllFromMalloc = false;
#endif
constexpr size_t kLargeBlock = size_t{1} << 20;   // smaller blocks come from malloc
constexpr size_t kKeptBytes = size_t{768} << 20;  // at most this much is kept for reuse
constexpr size_t kKeptBlocks = 8;

bool FromMalloc(size_t bytes) {
  return kAllFromMalloc || bytes < kLargeBlock;
}

struct KeptBlock {
  uint8_t* p;
  size_t bytes;
};

struct Pool {
  std::mutex mutex;
  std::vector<KeptBlock> blocks;
  size_t total = 0;
};

Pool& ThePool() {
  static Pool* pool = new Pool;  // never destroyed: blocks may be freed during exit
  return *pool;
}

size_t RoundUp(size_t bytes) {
  constexpr size_t kHugePage = size_t{2} << 20;
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void PixelMemoryDeleter::operator()(uint8_t* p) const {
  if (!p) return;
  if (FromMalloc(bytes)) {
    std::free(p);
    return;
  }
  Pool& pool = ThePool();
  {
    std::lock_guard lock(pool.mutex);
    if (pool.blocks.size() < kKeptBlocks && pool.total + bytes <= kKeptBytes) {
      pool.blocks.push_back({p, bytes});
      pool.total += bytes;
      return;
    }
  }
  ::munmap(p, bytes);
}

PixelMemory AllocatePixels(size_t bytes, bool zeroed) {
  if (FromMalloc(bytes)) {
    void* p = zeroed ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
    return PixelMemory(static_cast<uint8_t*>(p), PixelMemoryDeleter{bytes});
  }
  const size_t rounded = RoundUp(bytes);
  Pool& pool = ThePool();
  {
    std::lock_guard lock(pool.mutex);
    // The smallest kept block that fits without wasting more than half of it.
    size_t best = pool.blocks.size();
    for (size_t i = 0; i < pool.blocks.size(); ++i) {
      const size_t size = pool.blocks[i].bytes;
      if (size >= rounded && size <= rounded + rounded / 4 &&
          (best == pool.blocks.size() || size < pool.blocks[best].bytes)) {
        best = i;
      }
    }
    if (best < pool.blocks.size()) {
      const KeptBlock block = pool.blocks[best];
      pool.blocks.erase(pool.blocks.begin() + static_cast<long>(best));
      pool.total -= block.bytes;
      if (zeroed) std::memset(block.p, 0, bytes);
      return PixelMemory(block.p, PixelMemoryDeleter{block.bytes});
    }
  }
  void* p = ::mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return PixelMemory(nullptr, PixelMemoryDeleter{0});
  ::madvise(p, rounded, MADV_HUGEPAGE);  // fresh mappings are already zero
  return PixelMemory(static_cast<uint8_t*>(p), PixelMemoryDeleter{rounded});
}

}  // namespace velora
