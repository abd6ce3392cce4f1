#include "platform/core/GlobalMemory.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

namespace {

constexpr SIZE_T kMaxBlock = SIZE_T{1} << 30;

struct Block {
  std::vector<BYTE> bytes;
  int locks = 0;
};

std::mutex g_blocksLock;

// Handles are the blocks' addresses; only handles in this table are honoured.
std::unordered_map<HGLOBAL, std::unique_ptr<Block>>& Blocks() {
  static std::unordered_map<HGLOBAL, std::unique_ptr<Block>> blocks;
  return blocks;
}

Block* Find(HGLOBAL handle) {
  auto it = Blocks().find(handle);
  return it == Blocks().end() ? nullptr : it->second.get();
}

}  // namespace

HGLOBAL GlobalAlloc(UINT, SIZE_T bytes) {
  if (bytes > kMaxBlock) return nullptr;
  try {
    // Always zero-filled: a block never exposes stale heap contents.
    auto block = std::make_unique<Block>();
    block->bytes.resize(bytes);
    HGLOBAL handle = block.get();
    std::lock_guard guard(g_blocksLock);
    Blocks().emplace(handle, std::move(block));
    return handle;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT) {
  if (bytes > kMaxBlock) return nullptr;
  std::lock_guard guard(g_blocksLock);
  Block* block = Find(handle);
  if (!block) return nullptr;
  try {
    block->bytes.resize(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return handle;
}

LPVOID GlobalLock(HGLOBAL handle) {
  std::lock_guard guard(g_blocksLock);
  Block* block = Find(handle);
  if (!block) return nullptr;
  ++block->locks;
  return block->bytes.empty() ? nullptr : block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL handle) {
  std::lock_guard guard(g_blocksLock);
  Block* block = Find(handle);
  if (!block || block->locks == 0) return FALSE;
  return --block->locks > 0;
}

SIZE_T GlobalSize(HGLOBAL handle) {
  std::lock_guard guard(g_blocksLock);
  Block* block = Find(handle);
  return block ? block->bytes.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  std::lock_guard guard(g_blocksLock);
  return Blocks().erase(handle) ? nullptr : handle;
}
