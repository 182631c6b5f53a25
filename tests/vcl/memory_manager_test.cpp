// The runtime's memory manager: uninitialised blocks, the large block kept
// for the next request, and a manager the program puts in its place.
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <new>
#include <vector>

#include "vcl/memory_manager.h"

namespace {

using vcl::FreeMem;
using vcl::GetMem;

TEST(MemoryManager, TheLastLargeBlockFreedServesTheNextRequestItHolds) {
    const std::size_t size = 8 << 20;
    auto* first = static_cast<unsigned char*>(GetMem(size));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % 4096, 0u) << "a large block starts on a page";
    std::memset(first, 0x5A, size);
    FreeMem(first);
    // Kept as it was, contents and all: GetMem does not clear.
    auto* again = static_cast<unsigned char*>(GetMem(size - 4096));
    EXPECT_EQ(again, first);
    EXPECT_EQ(again[0], 0x5A);
    EXPECT_EQ(again[size - 4097], 0x5A);
    // Only one is kept, and it is handed out once.
    auto* other = static_cast<unsigned char*>(GetMem(size));
    EXPECT_NE(other, again);
    FreeMem(again);
    FreeMem(other);
    auto* kept = GetMem(size);
    EXPECT_EQ(kept, other) << "the block freed last";
    FreeMem(kept);

    // A request larger than the kept block gets a block of its own.
    auto* larger = static_cast<unsigned char*>(GetMem(2 * size));
    larger[2 * size - 1] = 1;
    FreeMem(larger);
    FreeMem(nullptr);
}

TEST(MemoryManager, ABlockPastTheLimitIsGivenBackAtOnce) {
    const std::size_t huge = vcl::KeptBlockLimit + 4096;
    auto* big = static_cast<unsigned char*>(GetMem(huge));
    std::memset(big, 0x22, 4096);
    FreeMem(big);
    auto* next = static_cast<unsigned char*>(GetMem(vcl::LargeBlockSize));
    EXPECT_FALSE(next == big && next[0] == 0x22) << "the block past the limit was kept";
    FreeMem(next);
}

TEST(MemoryManager, AManagerPutInPlaceServesEveryBlock) {
    static std::vector<std::size_t> sizes;
    static int freed = 0;
    vcl::TMemoryManager shipped;
    vcl::GetMemoryManager(shipped);
    vcl::SetMemoryManager({[](std::size_t size) -> void* {
                               sizes.push_back(size);
                               return size == 12345 ? nullptr : std::malloc(size);
                           },
                           [](void* p) {
                               ++freed;
                               std::free(p);
                           }});
    {
        vcl::TMemoryBlock block(100);
        block.get()[99] = 1;
    }
    EXPECT_THROW(vcl::TMemoryBlock(12345), std::bad_alloc);
    vcl::SetMemoryManager(shipped);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{100, 12345}));
    EXPECT_EQ(freed, 1);
}

} // namespace
