// zelvan info and zelvan read, checked against mtools and dd.
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>
#include <vector>

#include "zelvan/transfer.h"

#include "zelvan_run.h"

namespace tools_test {
namespace {

using testsupport::Bytes;

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(ZelvanInfo, FiguresAreThoseOfTheFileSystem) {
    const Images images;
    const FatGeometry geometry = ReadGeometry(images.disk());
    const ToolResult result = RunZelvan(images.Drives() + " info C");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Field(result.out, "drive"), "C: (fixed)");
    EXPECT_EQ(Field(result.out, "bytes per sector"), std::to_string(geometry.bytesPerSector));
    EXPECT_EQ(Field(result.out, "sectors per cluster"), std::to_string(geometry.sectorsPerCluster));
    EXPECT_EQ(Field(result.out, "total clusters"), std::to_string(geometry.Clusters()));
    const std::uint64_t bound = geometry.SizeBound();
    EXPECT_EQ(Field(result.out, "size bound B"), std::to_string(bound) + " sectors (" +
                                                     std::to_string(bound * geometry.bytesPerSector) + " bytes)");
    // mdir counts the free space of the same clusters ("16 726 016 bytes free").
    std::string listing = testsupport::RunOk("mdir -i " + Quote(images.disk()) + " ::");
    std::erase(listing, ' ');
    const std::uint64_t freeBytes =
        std::stoull(Field(result.out, "free clusters")) * geometry.sectorsPerCluster * geometry.bytesPerSector;
    EXPECT_NE(listing.find(std::to_string(freeBytes) + "bytesfree"), std::string::npos) << listing;
}

TEST(ZelvanInfo, NamesThePlatformAndTheRoad) {
    const Images images;
    const auto road = [&](const std::string& platform) {
        return Field(RunZelvan(images.Drives() + " --platform " + platform + " info A").out, "road");
    };
    EXPECT_EQ(road("nt").rfind("NT:", 0), 0u);
    EXPECT_EQ(road("95").rfind("Windows 95 classic", 0), 0u);
    EXPECT_EQ(road("98").rfind("Windows 95 extended", 0), 0u);
    EXPECT_EQ(road("1:1000").rfind("Windows 95 classic", 0), 0u);
    EXPECT_EQ(road("1:1001").rfind("Windows 95 extended", 0), 0u);
    const ToolResult floppy = RunZelvan(images.Drives() + " --platform 95 info A");
    EXPECT_EQ(Field(floppy.out, "drive"), "A: (removable)");
    EXPECT_NE(Field(floppy.out, "floppy road").find("INT 13h"), std::string::npos);
    EXPECT_NE(Field(floppy.out, "platform").find("build 950"), std::string::npos);
}

// What info says lies out of reach is where read stops, and why: the areas
// before the clusters, which B does not count.
TEST(ZelvanInfo, NamesTheSectorsReadCannotReachAndWhy) {
    const Images images;
    for (const auto& [letter, image] : {std::pair{'A', images.floppy()}, std::pair{'C', images.disk()}}) {
        const FatGeometry geometry = ReadGeometry(image);
        const std::uint64_t bound = geometry.SizeBound(), total = geometry.totalSectors;
        const std::string drive = std::string(1, letter);
        const ToolResult info = RunZelvan(images.Drives() + " info " + drive);
        ASSERT_EQ(info.status, 0) << info.err;
        EXPECT_EQ(Field(info.out, "medium"), std::to_string(total) + " sectors (" + std::to_string(total * 512) + " bytes)");
        const std::string reach = Field(info.out, "out of reach");
        EXPECT_EQ(reach.rfind("sectors " + std::to_string(bound - 1) + " to " + std::to_string(total - 1) + " (" +
                                  std::to_string(total - bound + 1) + " sectors) of " + std::to_string(total) + ": ",
                              0),
                  0u)
            << reach;
        EXPECT_NE(reach.find("B counts the clusters' " + std::to_string(bound) + " sectors alone, while the boot area, "
                             "FATs and root folder take sectors 0 to " + std::to_string(geometry.firstDataSector - 1)),
                  std::string::npos)
            << reach;
        EXPECT_EQ(Field(info.out, "file system").ends_with(", clusters from " + std::to_string(geometry.firstDataSector)),
                  true)
            << info.out;
        EXPECT_EQ(RunZelvan(images.Drives() + " read " + drive + " " + std::to_string(bound - 2) + " 1").status, 0);
        EXPECT_EQ(RunZelvan(images.Drives() + " read " + drive + " " + std::to_string(bound - 1) + " 1").status, 1);
    }
    EXPECT_EQ(Field(RunZelvan(images.Drives() + " info A").out, "file system"),
              "FAT12 of 2880 sectors: boot area 0, 2 FATs 1 to 18, root folder 19 to 32, clusters from 33");
}

TEST(ZelvanInfo, AFloppyShowsTheFormatOfItsSize) {
    const Images images;
    const auto format = [&](const std::filesystem::path& image, const char* kind) {
        const ToolResult info = RunZelvan("--drive A=" + Quote(image.string() + kind) + " info A");
        EXPECT_EQ(info.status, 0) << info.err;
        return Field(info.out, "floppy FORMAT");
    };
    EXPECT_EQ(format(images.floppy(), ":removable"), "1440 (2880 sectors: 80 cylinders, 2 heads, 18 sectors per track)");
    EXPECT_EQ(format(testsupport::MakeFatImage(images.dir(), "720.img", 720, "-F 12"), ":removable"),
              "720 (1440 sectors: 80 cylinders, 2 heads, 9 sectors per track)");
    EXPECT_EQ(format(images.disk(), ":removable"), "none: no standard format has 32768 sectors of 512 bytes");
    EXPECT_EQ(format(images.disk(), ":fixed"), "");
}

TEST(ZelvanRead, ADosStatusFromZelvanFaultsIsRetriedOrReported) {
    const Images images;
    const auto output = images.dir() / "retried.bin";
    const std::tuple<const char*, const char*, const char*> roads[] = {{"95", "INT25", "INT 25h"},
                                                                       {"98", "INT21-7305", "INT 21h 7305h"}};
    for (const auto& [platform, service, label] : roads) {
        const ToolResult retried = RunZelvan(images.Drives() + " --platform " + platform + " read C 30 3 -o " + Quote(output),
                                             std::string("ZELVAN_FAULTS='") + service + "#1'");
        ASSERT_EQ(retried.status, 0) << platform << ": " << retried.err;
        EXPECT_EQ(testsupport::ReadFile(output), testsupport::DdRead(images.disk(), 30 * 512, 3 * 512)) << platform;

        const ToolResult failed = RunZelvan(images.Drives() + " --platform " + platform + " read C 30 3",
                                            std::string("ZELVAN_FAULTS='") + service + "#1,2'");
        EXPECT_EQ(failed.status, 1) << platform;
        EXPECT_EQ(failed.out, "") << platform;
        EXPECT_NE(failed.err.find("could not read sectors 30 to 32 of C: (2 attempts, 2 " + std::string(label) + " requests)"),
                  std::string::npos)
            << platform << ": " << failed.err;
    }
}

TEST(ZelvanRead, RawBytesAreDdsOnEveryRoad) {
    const Images images;
    const FatGeometry geometry = ReadGeometry(images.disk());
    const std::uint32_t first = geometry.firstDataSector - 3, count = 7; // the end of the root directory and on
    const Bytes expected = testsupport::DdRead(images.disk(), std::uint64_t{first} * geometry.bytesPerSector,
                                               std::uint64_t{count} * geometry.bytesPerSector);
    for (const std::string platform : {"nt", "95", "98"}) {
        const auto output = images.dir() / ("run-" + platform + ".bin");
        const ToolResult result = RunZelvan(images.Drives() + " --platform " + platform + " read C " +
                                            std::to_string(first) + " " + std::to_string(count) + " -o " + Quote(output));
        ASSERT_EQ(result.status, 0) << platform << ": " << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(testsupport::ReadFile(output), expected) << platform;
    }
}

TEST(ZelvanRead, HexDumpIsHexdumpOfDdsBytes) {
    const Images images;
    const ToolResult result = RunZelvan(images.Drives() + " read c: 0 3");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string expected =
        testsupport::RunOk("dd if=" + Quote(images.disk()) + " bs=512 count=3 status=none | hexdump -C");
    EXPECT_EQ(result.out, expected);
}

// With --offsets volume the offsets are the volume's, as hexdump -s shows them.
TEST(ZelvanRead, VolumeOffsetsAreThoseOfHexdumpSkippingToFirst) {
    const Images images;
    const ToolResult logical = RunZelvan(images.Drives() + " read c: 5 3 --offsets volume");
    ASSERT_EQ(logical.status, 0) << logical.err;
    EXPECT_EQ(logical.out, testsupport::RunOk("hexdump -C -s 2560 -n 1536 " + Quote(images.disk())));
    const ToolResult floppy = RunZelvan(images.Drives() + " floppy-read A 1440 10 2 --offsets=volume");
    ASSERT_EQ(floppy.status, 0) << floppy.err;
    EXPECT_EQ(floppy.out, testsupport::RunOk("hexdump -C -s 5120 -n 1024 " + Quote(images.floppy())));
    EXPECT_EQ(RunZelvan(images.Drives() + " read c: 5 3 --offsets run").out,
              testsupport::RunOk("dd if=" + Quote(images.disk()) + " bs=512 skip=5 count=3 status=none | hexdump -C"));
}

// A long hex dump on the terminal that would show the bar shows no bar: a
// file written from the same terminal does.
TEST(ZelvanRead, OnOneTerminalTheHexDumpAndTheBarDoNotMeet) {
    const Images images;
    const std::string run = images.Drives() + " read C 0 4096";
    const ZelvanOnTerminal::Ended dumped = ZelvanOnTerminal(run).Wait();
    EXPECT_EQ(dumped.status, 0) << dumped.shown;
    EXPECT_EQ(dumped.shown.find("\033[K"), std::string::npos) << dumped.shown;
    EXPECT_NE(dumped.shown.find("\r\n00200000\r\n"), std::string::npos) << dumped.shown;
    const ZelvanOnTerminal::Ended written = ZelvanOnTerminal(run + " -o " + Quote(images.dir() / "out.bin")).Wait();
    EXPECT_EQ(written.status, 0) << written.shown;
    EXPECT_NE(written.shown.find("\033[K"), std::string::npos) << written.shown;
}

TEST(ZelvanRead, LongRunMovesInPiecesAndStaysSilentOffATerminal) {
    const Images images;
    const FatGeometry geometry = ReadGeometry(images.disk());
    // Nearly the whole size bound: more than one piece.
    const std::uint32_t first = 1, count = geometry.SizeBound() - 2;
    const std::uint64_t bytes = std::uint64_t{count} * geometry.bytesPerSector;
    ASSERT_GT(bytes, zelvan_cli::pieceBytes);
    const auto output = images.dir() / "long.bin";
    const ToolResult result = RunZelvan("--trace=" + Quote(images.dir() / "trace.log") + " " + images.Drives() +
                                        " read C " + std::to_string(first) + " " + std::to_string(count) + " -o " +
                                        Quote(output));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(testsupport::ReadFile(output),
              testsupport::DdRead(images.disk(), std::uint64_t{first} * geometry.bytesPerSector, bytes));
    const std::string trace = Text(testsupport::ReadFile(images.dir() / "trace.log"));
    std::size_t reads = 0;
    for (std::size_t at = trace.find("\nReadFile("); at != trace.npos; at = trace.find("\nReadFile(", at + 1)) ++reads;
    EXPECT_EQ(reads, (bytes + zelvan_cli::pieceBytes - 1) / zelvan_cli::pieceBytes) << trace;
}

// A command asks the machine only what the component asks: the runtime the
// platform when it starts, the constructor the platform and drive C, the
// drive's selection the drive; zelvan reads the figures from the component.
TEST(ZelvanRead, ACommandMeasuresEachDriveOnlyThroughTheComponent) {
    const Images images;
    const auto trace = images.dir() / "trace.log";
    const ToolResult result = RunZelvan(images.Drives() + " read A 0 1 -o " + Quote(images.dir() / "one.bin"),
                                        "ZELVAN_TRACE=" + Quote(trace));
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::string> calls;
    std::istringstream lines(Text(testsupport::ReadFile(trace)));
    // Built with the runtime packages, zelvan starts and ends its package
    // too (build_test.cpp); those calls are not the command's.
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with("GetModule") && !line.starts_with("GetProcAddress"))
            calls.push_back(line.substr(0, line.find(" = ")));
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "GetVersionExA(ptr)",
                         "GetVersionExA(ptr)",
                         R"(GetDiskFreeSpaceA("C:\", ptr, ptr, ptr, ptr))",
                         R"(GetDiskFreeSpaceA("A:\", ptr, ptr, ptr, ptr))",
                         R"(GetDriveTypeA("A:\"))",
                         "SetErrorMode(0x1)",
                         R"(CreateFileA("\\.\A:", 0xC0000000, 0x3, NULL, 3, 0x0, NULL))",
                         "SetErrorMode(0x4)",
                         "SetFilePointer(h1, 0, [0], FILE_BEGIN)",
                         "ReadFile(h1, ptr, 512, ptr, NULL)",
                         "CloseHandle(h1)",
                     }));
}

TEST(ZelvanRead, TraceShowsTheJournalOnStandardError) {
    const Images images;
    const ToolResult result = RunZelvan(images.Drives() + " --trace read C 0 1");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("GetDiskFreeSpaceA(\"C:\\\""), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("CreateFileA(\"\\\\.\\C:\""), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("ReadFile("), std::string::npos);
    EXPECT_EQ(result.out.rfind("00000000  ", 0), 0u); // the dump stays on standard output
}

} // namespace
} // namespace tools_test
