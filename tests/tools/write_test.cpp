// zelvan write: what it changes on the image, and what it leaves alone.
#include <gtest/gtest.h>
#include <sstream>

#include "zelvan/transfer.h"

#include "zelvan_run.h"

namespace tools_test {
namespace {

using testsupport::Bytes;

std::string Operands(std::uint32_t first, std::uint32_t count) {
    return std::to_string(first) + " " + std::to_string(count);
}

// Every byte of `after` equals `before` except the range [offset, offset + bytes.size()), which holds `bytes`.
void ExpectOnlyChanged(const Bytes& before, const Bytes& after, std::uint64_t offset, const Bytes& bytes) {
    ASSERT_EQ(before.size(), after.size());
    Bytes expected = before;
    std::copy(bytes.begin(), bytes.end(), expected.begin() + static_cast<std::ptrdiff_t>(offset));
    EXPECT_TRUE(after == expected) << "the image changed outside the run, or the run does not hold the bytes";
}

TEST(ZelvanWrite, IdenticalBytesLeaveAFileSystemThatMtoolsReads) {
    const Images images;
    testsupport::RunOk("echo hello > " + Quote(images.dir() / "hello.txt") + " && mcopy -i " + Quote(images.disk()) +
                       " " + Quote(images.dir() / "hello.txt") + " ::HELLO.TXT");
    const FatGeometry geometry = ReadGeometry(images.disk());
    const Bytes before = testsupport::ReadFile(images.disk());
    // The boot sector, both FATs and the root directory, written back as they are.
    const auto copy = images.dir() / "system-area.bin";
    testsupport::WriteFile(copy, Bytes(before.begin(), before.begin() + geometry.firstDataSector * geometry.bytesPerSector));
    for (const std::string platform : {"nt", "98"}) {
        const ToolResult result = RunZelvan(images.Drives() + " --platform " + platform + " --yes write C " +
                                            Operands(0, geometry.firstDataSector) + " -i " + Quote(copy));
        ASSERT_EQ(result.status, 0) << platform << ": " << result.err;
        EXPECT_TRUE(testsupport::ReadFile(images.disk()) == before) << platform;
        EXPECT_NE(testsupport::RunOk("mdir -i " + Quote(images.disk()) + " ::").find("HELLO"), std::string::npos);
        testsupport::RunOk("minfo -i " + Quote(images.disk()) + " ::");
        testsupport::RunOk("fsck.fat -n " + Quote(images.disk()));
    }
}

TEST(ZelvanWrite, ChangedSectorShowsInDdAndNothingElseChanges) {
    const Images images;
    const FatGeometry geometry = ReadGeometry(images.disk());
    const std::uint32_t sector = geometry.firstDataSector + 41;
    const Bytes before = testsupport::ReadFile(images.disk());
    const Bytes bytes = testsupport::Pattern(2 * geometry.bytesPerSector, 9);
    const auto input = images.dir() / "two.bin";
    testsupport::WriteFile(input, bytes);
    const ToolResult result = RunZelvan(images.Drives() + " --yes write C " + Operands(sector, 2) + " -i " + Quote(input));
    ASSERT_EQ(result.status, 0) << result.err;
    const std::uint64_t offset = std::uint64_t{sector} * geometry.bytesPerSector;
    EXPECT_EQ(testsupport::DdRead(images.disk(), offset, bytes.size()), bytes);
    ExpectOnlyChanged(before, testsupport::ReadFile(images.disk()), offset, bytes);
}

TEST(ZelvanWrite, StandardInputAndTheClassicRoadWriteTheSame) {
    const Images images;
    const FatGeometry geometry = ReadGeometry(images.disk());
    const std::uint32_t sector = geometry.SizeBound() - 2;
    const Bytes before = testsupport::ReadFile(images.disk());
    const Bytes bytes = testsupport::Pattern(geometry.bytesPerSector, 77);
    const auto input = images.dir() / "one.bin";
    testsupport::WriteFile(input, bytes);
    const ToolResult result = RunZelvan(images.Drives() + " --platform 95 --no-warn write C " + Operands(sector, 1) +
                                        " -i - < " + Quote(input));
    ASSERT_EQ(result.status, 0) << result.err;
    ExpectOnlyChanged(before, testsupport::ReadFile(images.disk()), std::uint64_t{sector} * geometry.bytesPerSector,
                      bytes);
}

TEST(ZelvanWrite, LongRunIsConfirmedOnceForAllItsPieces) {
    const Images images;
    const FatGeometry geometry = ReadGeometry(images.disk());
    const std::uint32_t count = (zelvan_cli::pieceBytes + (1u << 20)) / geometry.bytesPerSector; // two pieces
    const std::uint32_t first = geometry.firstDataSector;
    const Bytes before = testsupport::ReadFile(images.disk());
    const Bytes bytes = testsupport::Pattern(std::size_t{count} * geometry.bytesPerSector, 5);
    const auto input = images.dir() / "long.bin";
    testsupport::WriteFile(input, bytes);
    const ToolResult result =
        RunZelvan(images.Drives() + " --yes --trace write C " + Operands(first, count) + " -i " + Quote(input));
    ASSERT_EQ(result.status, 0) << result.err;
    ExpectOnlyChanged(before, testsupport::ReadFile(images.disk()), std::uint64_t{first} * geometry.bytesPerSector,
                      bytes);
    std::size_t asked = 0, writes = 0;
    std::istringstream trace(result.err);
    for (std::string line; std::getline(trace, line);) {
        asked += line.starts_with("MessageBoxA(");
        writes += line.starts_with("WriteFile(");
    }
    EXPECT_EQ(asked, 1u);
    EXPECT_EQ(writes, 2u);
}

} // namespace
} // namespace tools_test
