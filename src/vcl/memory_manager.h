// The runtime's memory manager, as System has it: GetMem and FreeMem hand
// out raw, uninitialised blocks, from a manager the program may replace.
//
// The default manager keeps the last large block freed (one block, of at
// most KeptBlockLimit bytes) and hands it to the next GetMem it can hold,
// so that a program that moves a long run block after block finds its
// memory already in place instead of fresh from the system. Large blocks
// start on a 4 KiB page.
#pragma once

#include <cstddef>

namespace vcl {

struct TMemoryManager {
    void* (*GetMem)(std::size_t Size); // nullptr when there is no memory
    void (*FreeMem)(void* P);
};

// A block of at least Size bytes, uninitialised; throws std::bad_alloc
// (the runtime's EOutOfMemory) when the manager has none.
void* GetMem(std::size_t Size);
// Gives back a block of GetMem; nullptr is ignored.
void FreeMem(void* P);

void GetMemoryManager(TMemoryManager& MemMgr);
void SetMemoryManager(const TMemoryManager& MemMgr);

// Blocks from this size on are large; the default manager keeps one of
// them, of at most KeptBlockLimit bytes.
constexpr std::size_t LargeBlockSize = std::size_t{1} << 20;
constexpr std::size_t KeptBlockLimit = std::size_t{64} << 20;

// A block of GetMem owned for one scope.
class TMemoryBlock {
public:
    explicit TMemoryBlock(std::size_t Size) : FData(static_cast<unsigned char*>(GetMem(Size))) {}
    ~TMemoryBlock() { FreeMem(FData); }
    TMemoryBlock(const TMemoryBlock&) = delete;
    TMemoryBlock& operator=(const TMemoryBlock&) = delete;
    unsigned char* get() const { return FData; }

private:
    unsigned char* FData;
};

} // namespace vcl
