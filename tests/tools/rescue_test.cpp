// zelvan read --rescue: bad sectors, which the fault plan makes, are left as
// zeros in the output and recorded in a map file that ddrescuelog reads; a
// later run with the map tries only what is not read yet.
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

#include "zelvan_run.h"

namespace tools_test {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

// A run of two pieces (2048 sectors and 52) on a floppy and a disk, whose
// sectors hold a pattern, so that zeros in the output show.
constexpr std::uint32_t first = 200, count = 2100, badSector = 2250;

class ZelvanRescue : public ::testing::Test {
protected:
    ZelvanRescue() {
        for (const fs::path& image : {images.disk(), images.floppy()})
            testsupport::DdPatch(image, first * 512, testsupport::Pattern(count * 512, 7));
    }

    // What the run holds on `image`, with the bad sectors zeros.
    Bytes Expected(const fs::path& image, std::initializer_list<std::uint32_t> bad) const {
        Bytes bytes = testsupport::DdRead(image, first * 512, count * 512);
        for (std::uint32_t sector : bad) std::fill_n(bytes.begin() + (sector - first) * 512, 512, 0);
        return bytes;
    }

    // ddrescuelog's list of the sectors of `types` in `map`.
    static std::string Listed(const fs::path& map, const std::string& types) {
        return testsupport::RunOk("ddrescuelog -b512 -l'" + types + "' " + Quote(map));
    }
    static std::string SectorList(std::uint32_t from, std::uint32_t to, std::initializer_list<std::uint32_t> except) {
        std::string list;
        for (std::uint32_t sector = from; sector <= to; ++sector)
            if (std::find(except.begin(), except.end(), sector) == except.end()) list += std::to_string(sector) + "\n";
        return list;
    }

    // The arguments after the handle of a trace's SetFilePointer and ReadFile calls.
    static std::vector<std::string> Reads(const fs::path& trace) {
        const Bytes bytes = testsupport::ReadFile(trace);
        std::istringstream lines(std::string(bytes.begin(), bytes.end()));
        std::vector<std::string> reads;
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with("SetFilePointer(") || line.starts_with("ReadFile("))
                reads.push_back(line.substr(line.find(", ") + 2, line.find(')') - line.find(", ") - 2));
        return reads;
    }

    Images images;
    const fs::path output = images.dir() / "rescued.img";
    const fs::path map = images.dir() / "rescued.map";
};

TEST_F(ZelvanRescue, ABadSectorIsZerosInTheOutputAndBadInTheMapOnEveryRoad) {
    struct Road {
        const char* platform;
        const char* command;
        const char* faults;
    };
    const Road roads[] = {
        // The second piece fails, and then its third sector alone, whose
        // place in the buffer held a sector of the first piece.
        {"nt", "read C", "ReadFile#2,5"},
        {"95", "read C", "INT25#2,5"},
        {"98", "read C", "INT21-7305#2,5"},
        {"nt", "floppy-read A 1440", "ReadFile#2,5"},
        // One BIOS request a sector.
        {"95", "floppy-read A 1440", "INT13#2051,2054"},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(std::string(road.platform) + " " + road.command);
        fs::remove(map);
        const ToolResult result =
            RunZelvan(images.Drives() + " --platform " + road.platform + " --retries 1 " + road.command + " " +
                          std::to_string(first) + " " + std::to_string(count) + " -o " + Quote(output) + " --rescue " +
                          Quote(map),
                      std::string("ZELVAN_FAULTS='") + road.faults + "'");
        const char letter = road.command[std::string_view(road.command).find(' ') + 1];
        ExpectFailure(result, {"rescue of sectors 200 to 2299 of " + std::string{letter} +
                               ": 2099 read into " + output.string() + ", 1 bad: sector 2250, which " + output.string() +
                               " holds as zeros"});
        EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output),
                                           Expected(letter == 'A' ? images.floppy() : images.disk(), {badSector})));
        EXPECT_EQ(Listed(map, "-"), "2250\n");
        EXPECT_EQ(Listed(map, "?*/"), "");
        EXPECT_EQ(Listed(map, "+"), SectorList(first, first + count - 1, {badSector}));
    }
}

TEST_F(ZelvanRescue, ASecondRunTriesOnlyWhatIsNotReadAndAThirdNothing) {
    const std::string command = images.Drives() + " --retries 1 read C " + std::to_string(first) + " " +
                                std::to_string(count) + " -o " + Quote(output) + " --rescue " + Quote(map);
    ASSERT_EQ(RunZelvan(command, "ZELVAN_FAULTS='ReadFile#1,4,5'").status, 1);
    EXPECT_EQ(Listed(map, "-"), "202\n203\n");

    const fs::path trace = images.dir() / "trace.log";
    const ToolResult second = RunZelvan("--trace=" + Quote(trace) + " " + command);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.err, "zelvan: rescue of sectors 200 to 2299 of C: all 2100 read into " + output.string() + " (map " +
                              map.string() + ")\n");
    // Sectors 202 and 203, in one piece.
    EXPECT_EQ(Reads(trace), (std::vector<std::string>{"103424, [0], FILE_BEGIN", "ptr, 1024, ptr, NULL"}));
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output), Expected(images.disk(), {})));
    EXPECT_EQ(testsupport::Run("ddrescuelog -D " + Quote(map)).status, 0); // done

    fs::remove(trace);
    ASSERT_EQ(RunZelvan("--trace=" + Quote(trace) + " " + command).status, 0);
    EXPECT_EQ(Reads(trace), std::vector<std::string>{});
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output), Expected(images.disk(), {})));
}

TEST_F(ZelvanRescue, AnInterruptedRunResumesWhereItsMapStops) {
    // What a run stopped after its first piece leaves.
    const std::string text = "# current_pos  current_status  current_pass\n"
                              "0x00119000     ?               1\n"
                              "#      pos        size  status\n"
                              "0x00019000  0x00100000  +\n"
                              "0x00119000  0x00006800  ?\n";
    testsupport::WriteFile(map, Bytes(text.begin(), text.end()));
    const Bytes whole = Expected(images.disk(), {});
    testsupport::WriteFile(output, Bytes(whole.begin(), whole.begin() + 2048 * 512));

    const fs::path trace = images.dir() / "trace.log";
    const ToolResult result = RunZelvan("--trace=" + Quote(trace) + " " + images.Drives() + " read C " +
                                        std::to_string(first) + " " + std::to_string(count) + " -o " + Quote(output) +
                                        " --rescue " + Quote(map));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Reads(trace), (std::vector<std::string>{"1150976, [0], FILE_BEGIN", "ptr, 26624, ptr, NULL"}));
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output), whole));
    EXPECT_EQ(Listed(map, "+"), SectorList(first, first + count - 1, {}));
}

TEST_F(ZelvanRescue, AMapOfAnotherRunOrOutputMissingIsRefusedBeforeAnythingIsRead) {
    const std::string run = images.Drives() + " read C 200 2100 -o " + Quote(output) + " --rescue " + Quote(map);
    ASSERT_EQ(RunZelvan(images.Drives() + " read C 0 10 -o " + Quote(output) + " --rescue " + Quote(map),
                        "ZELVAN_FAULTS='ReadFile#1,2'")
                  .status,
              0);
    const Bytes mapBefore = testsupport::ReadFile(map), outputBefore = testsupport::ReadFile(output);
    ExpectFailure(RunZelvan(run), {"map file " + map.string() + ": it maps sectors 0 to 9, not the run's sectors 200 to 2299"});
    fs::remove(output);
    ExpectFailure(RunZelvan(images.Drives() + " read C 0 10 -o " + Quote(output) + " --rescue " + Quote(map)),
                  {"cannot write output " + output.string() + ": it does not exist, and the map file says that "
                   "earlier runs read sectors into it"});
    EXPECT_FALSE(fs::exists(output));
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(map), mapBefore));
    EXPECT_EQ(outputBefore.size(), 10u * 512);

    const std::string broken = "0x0 ?\n0x0 0x200 +\n0x400 0x200 ?\n";
    testsupport::WriteFile(map, Bytes(broken.begin(), broken.end()));
    ExpectFailure(RunZelvan(run), {"map file " + map.string() + ": line 3: the area does not start where the one before "
                                   "it ends"});
    const ToolResult noOutput = RunZelvan(images.Drives() + " read C 0 10 --rescue " + Quote(map));
    EXPECT_EQ(noOutput.status, 2);
    EXPECT_NE(noOutput.err.find("--rescue MAPFILE needs -o FILE"), std::string::npos) << noOutput.err;
}

} // namespace
} // namespace tools_test
