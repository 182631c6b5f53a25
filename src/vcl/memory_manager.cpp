#include "vcl/memory_manager.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#include "vcl/shared_state.h"

namespace vcl {

namespace {

// Each block of the default manager lies behind a header that says where
// its memory came from and how much it holds, so that FreeMem knows a large
// block without being told its size. Large blocks start on a page: the
// system moves whole pages into them fastest.
struct alignas(std::max_align_t) BlockHeader {
    void* raw;
    std::size_t capacity;
};
constexpr std::size_t PageSize = 4096;

// The large block kept for the next GetMem.
TSharedState<BlockHeader*> kept;

BlockHeader* HeaderOf(void* P) { return static_cast<BlockHeader*>(P) - 1; }

BlockHeader* Allocate(std::size_t Size) {
    const std::size_t padding = Size >= LargeBlockSize ? PageSize : 0;
    if (Size > SIZE_MAX - sizeof(BlockHeader) - padding) return nullptr;
    void* raw = std::malloc(sizeof(BlockHeader) + padding + Size);
    if (!raw) return nullptr;
    std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(BlockHeader);
    if (padding) start = (start + PageSize - 1) / PageSize * PageSize;
    BlockHeader* header = reinterpret_cast<BlockHeader*>(start) - 1;
    *header = {raw, Size};
    return header;
}

void Release(BlockHeader* block) {
    if (block) std::free(block->raw);
}

void* DefaultGetMem(std::size_t Size) {
    if (Size >= LargeBlockSize) {
        BlockHeader* block = nullptr;
        {
            const std::lock_guard lock(kept.lock);
            std::swap(block, kept.value);
        }
        if (block && block->capacity >= Size) return block + 1;
        Release(block);
    }
    BlockHeader* block = Allocate(Size);
    return block ? block + 1 : nullptr;
}

void DefaultFreeMem(void* P) {
    BlockHeader* block = HeaderOf(P);
    if (block->capacity >= LargeBlockSize && block->capacity <= KeptBlockLimit) {
        const std::lock_guard lock(kept.lock);
        std::swap(block, kept.value);
    }
    Release(block);
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
