// What zelvan takes the first sector of a medium to hold, when no volume
// begins there.
#include <gtest/gtest.h>

#include "support.h"
#include "zelvan/medium_start.h"

namespace tools_test {
namespace {

using testsupport::Bytes;
using zelvan_cli::ClassifyStart;
using zelvan_cli::StartKind;

// A sector that ends in 55 AA, with `type` in the first entry of its table
// (sectors 63 to 1062), begun by `first`.
Bytes TableSector(std::uint8_t first, std::uint8_t status, std::uint8_t type) {
    Bytes sector(512, 0);
    sector[0] = first;
    sector[446] = status;
    sector[446 + 4] = type;
    sector[446 + 8] = 63;
    sector[446 + 12] = 0xE8;
    sector[446 + 13] = 0x03;
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

TEST(MediumStart, APartitionTableIsTheMasterBootRecordsAndNothingLikeIt) {
    // A boot loader may begin with a jump too (GRUB's does).
    for (const std::uint8_t first : {0x33, 0xEB}) {
        const zelvan_cli::MediumStart start = ClassifyStart(TableSector(first, 0x80, 0x0C));
        ASSERT_EQ(start.kind, StartKind::PartitionTable) << int(first);
        ASSERT_EQ(start.partitions.size(), 1u);
        EXPECT_EQ(start.partitions[0].number, 1u);
        EXPECT_TRUE(start.partitions[0].active);
        EXPECT_EQ(start.partitions[0].firstSector, 63u);
        EXPECT_EQ(start.partitions[0].sectors, 1000u);
    }
    // An empty table after a jump is a volume's boot sector; without one, an MBR of no partitions.
    EXPECT_EQ(ClassifyStart(TableSector(0xEB, 0, 0)).kind, StartKind::Unknown);
    EXPECT_EQ(ClassifyStart(TableSector(0x33, 0, 0)).kind, StartKind::PartitionTable);
    EXPECT_EQ(ClassifyStart(TableSector(0x33, 0x12, 0x0C)).kind, StartKind::Unknown) << "a status that is no status";
    Bytes unsigned_ = TableSector(0x33, 0x80, 0x0C);
    unsigned_[511] = 0;
    EXPECT_EQ(ClassifyStart(unsigned_).kind, StartKind::Unknown) << "no 55 AA";
    Bytes fromZero = TableSector(0x33, 0x80, 0x0C);
    fromZero[446 + 8] = 0;
    EXPECT_EQ(ClassifyStart(fromZero).kind, StartKind::Unknown) << "a partition over the table itself";
    EXPECT_EQ(ClassifyStart(Bytes(512, 0)).kind, StartKind::Zeros);
    EXPECT_EQ(ClassifyStart(Bytes(511, 0)).kind, StartKind::Unknown);
}

} // namespace
} // namespace tools_test
