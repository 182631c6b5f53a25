#include "vcl/memory_manager.h"

#include <cstdlib>
#include <mutex>
#include <new>

namespace vcl {

namespace {

// Each block of the default manager starts with its capacity, so that
// FreeMem knows a large block without being told its size.
struct alignas(std::max_align_t) BlockHeader {
    std::size_t capacity;
};

std::mutex keptMutex;
BlockHeader* kept = nullptr; // the large block kept for the next GetMem

BlockHeader* HeaderOf(void* P) { return static_cast<BlockHeader*>(P) - 1; }

void* DefaultGetMem(std::size_t Size) {
    if (Size >= LargeBlockSize) {
        BlockHeader* block = nullptr;
        {
            const std::lock_guard lock(keptMutex);
            std::swap(block, kept);
        }
        if (block && block->capacity >= Size) return block + 1;
        std::free(block);
    }
    if (Size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + Size));
    if (!block) return nullptr;
    block->capacity = Size;
    return block + 1;
}

void DefaultFreeMem(void* P) {
    BlockHeader* block = HeaderOf(P);
    if (block->capacity >= LargeBlockSize && block->capacity <= KeptBlockLimit) {
        const std::lock_guard lock(keptMutex);
        std::swap(block, kept);
    }
    std::free(block);
}

TMemoryManager manager{DefaultGetMem, DefaultFreeMem};

} // namespace

void* GetMem(std::size_t Size) {
    if (void* P = manager.GetMem(Size)) return P;
    throw std::bad_alloc();
}

void FreeMem(void* P) {
    if (P) manager.FreeMem(P);
}

void GetMemoryManager(TMemoryManager& MemMgr) { MemMgr = manager; }

void SetMemoryManager(const TMemoryManager& MemMgr) { manager = MemMgr; }

} // namespace vcl
