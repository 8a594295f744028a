// LocalAlloc and LocalFree. Live blocks are remembered, so that freeing a
// pointer that is not a block fails as on Windows instead of corrupting the
// host's heap.
#include <cstdlib>
#include <mutex>
#include <unordered_set>

#include "heap.h"
#include "instrument.h"

namespace standin {
namespace {

struct LiveBlocks {
  std::mutex mutex;
  std::unordered_set<void*> blocks;
};

LiveBlocks& GetLiveBlocks() {
  static LiveBlocks* live = new LiveBlocks;  // outlives every caller
  return *live;
}

}  // namespace

HLOCAL AllocateLocal(std::size_t bytes, bool zero_fill) {
  // A zero-byte block is still a distinct block on Windows.
  const std::size_t size = bytes == 0 ? 1 : bytes;
  void* block = zero_fill ? std::calloc(1, size) : std::malloc(size);
  if (block == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  LiveBlocks& live = GetLiveBlocks();
  {
    std::lock_guard<std::mutex> lock(live.mutex);
    live.blocks.insert(block);
  }
  TraceAlloc(block, bytes);
  return block;
}

}  // namespace standin

HLOCAL LocalAlloc(UINT flags, std::size_t bytes) {
  standin::TraceCall("LocalAlloc", {{"flags", std::to_string(flags)},
                                    {"bytes", std::to_string(bytes)}});
  if (standin::FaultDue("LocalAlloc")) return nullptr;
  return standin::AllocateLocal(bytes, (flags & LMEM_ZEROINIT) != 0);
}

HLOCAL LocalFree(HLOCAL block) {
  if (block == nullptr) return nullptr;
  standin::LiveBlocks& live = standin::GetLiveBlocks();
  {
    std::lock_guard<std::mutex> lock(live.mutex);
    if (live.blocks.erase(block) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return block;
    }
  }
  standin::TraceFree(block);
  std::free(block);
  return nullptr;
}
