// A program that no test watches and that sets no trace keeps no journal
// and formats no line of it: however many transfers it makes, its memory
// stays as it was.
#include <fstream>
#include <unistd.h>

#include "alloc_watch.h"
#include "machine_fixture.h"
#include "orvane/orvane.h"

namespace orvane_test {
namespace {

using Orvane::TZelvan;
using testsupport::Bytes;

// The memory this program holds. Under AddressSanitizer freed blocks wait
// in its quarantine and the resident size grows with them, so there the
// allocator's own count of the bytes in use is taken instead.
#ifdef __SANITIZE_ADDRESS__
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
std::uint64_t HeldBytes() { return __sanitizer_get_current_allocated_bytes(); }
#else
std::uint64_t HeldBytes() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}
#endif

class UnjournalledTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        image = MapFat('C', 1440, "-F 12");
        z = std::make_unique<TZelvan>(nullptr);
        z->SetFirstSector(7);
        hosted::KeepJournal(false);
    }
    bool ReadOne() { return z->ReadSectors(buffer.data(), 511); }

    std::filesystem::path image;
    std::unique_ptr<TZelvan> z;
    Bytes buffer = Bytes(512);
};

TEST_F(UnjournalledTest, ManyReadsKeepNothingAndHoldNoMoreMemory) {
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(ReadOne());
    const std::uint64_t before = HeldBytes();
    for (int i = 0; i < 100000; ++i) ASSERT_TRUE(ReadOne());
    EXPECT_LT(HeldBytes(), before + (2u << 20));
    EXPECT_TRUE(hosted::Journal().empty());
    EXPECT_EQ(buffer, testsupport::DdRead(image, 7 * 512, 512));
}

// A read makes the allocations of the road and the machine (the NT road's
// block, the handle's entry) and nothing for lines that nobody reads.
TEST_F(UnjournalledTest, NoLineIsFormattedThatNobodyWants) {
    ASSERT_TRUE(ReadOne());
    std::size_t start = AllocationCount();
    ASSERT_TRUE(ReadOne());
    const std::size_t unwatched = AllocationCount() - start;
    hosted::KeepJournal(true);
    start = AllocationCount();
    ASSERT_TRUE(ReadOne());
    const std::size_t journalled = AllocationCount() - start;
    EXPECT_LE(unwatched, 2u);
    EXPECT_GT(journalled, unwatched + 6) << "one line per call at least";
}

// A trace alone gets every line, and the journal keeps none.
TEST_F(UnjournalledTest, ATraceAloneGetsTheLinesAndNothingIsKept) {
    const std::filesystem::path trace = dir / "trace.log";
    hosted::TraceTo(trace.string());
    ASSERT_TRUE(ReadOne());
    hosted::TraceTo("");
    EXPECT_TRUE(hosted::Journal().empty());
    const Bytes traced = testsupport::ReadFile(trace);
    const std::string text(traced.begin(), traced.end());
    EXPECT_NE(text.find("ReadFile(h1, ptr, 512, ptr, NULL) = TRUE (512 bytes)\n"), std::string::npos) << text;
}

} // namespace
} // namespace orvane_test
