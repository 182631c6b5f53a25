// Every Win32 call of a good run made to fail in turn, on every road, for
// reads and writes. Each run either succeeds having done exactly its work,
// or fails with one line that says why, having changed exactly the sectors
// its message says were written.
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>

#include "zelvan/transfer.h"

#include "zelvan_run.h"

namespace tools_test {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

struct SweepCase {
    const char* name;
    const char* options;  // platform and such
    const char* command;  // "read C 100 3", "floppy-write A 1440 20 3"
    bool write;
    char letter;
    std::uint32_t first, count;
};

void PrintTo(const SweepCase& sweep, std::ostream* out) { *out << sweep.options << " " << sweep.command; }

// The faults that make each call of a good run fail, in the order of the
// run: "CreateFileA#1", "DeviceIoControl:0x90018#1", ... SetErrorMode
// cannot fail, and the lines VWIN32 adds are not calls.
std::vector<std::string> FaultsOf(const std::string& trace) {
    std::vector<std::string> faults;
    std::map<std::string, unsigned> seen;
    std::istringstream lines(trace);
    static const std::regex control(R"(^DeviceIoControl\([^,]+, (0x[0-9A-F]+),)");
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(0, line.find('('));
        if (name.empty() || name.find(' ') != std::string::npos || name == "SetErrorMode") continue;
        std::smatch code;
        const std::string call = std::regex_search(line, code, control) ? name + ":" + code[1].str() : name;
        faults.push_back(call + "#" + std::to_string(++seen[call]));
    }
    return faults;
}

class FaultSweep : public ::testing::TestWithParam<SweepCase> {
protected:
    void SetUp() override {
        image = GetParam().letter == 'A' ? images.floppy() : images.disk();
        before = testsupport::ReadFile(image);
        testsupport::WriteFile(input, testsupport::Pattern(std::size_t{GetParam().count} * 512, 42));
    }

    std::string Command() const {
        const SweepCase& sweep = GetParam();
        // One attempt, so that every fault is the run's failure rather than a retry's.
        return images.Drives() + " --yes --retries 1 " + sweep.options + " " + sweep.command + " " +
               (sweep.write ? "-i " + Quote(input) : "-o " + Quote(output));
    }

    // The image with the run's sectors from `from` to `to` holding the input.
    Bytes Written(std::uint32_t from, std::uint32_t to) const {
        Bytes expected = before;
        const Bytes bytes = testsupport::ReadFile(input);
        const std::size_t start = std::size_t{from - GetParam().first} * 512, end = std::size_t{to - GetParam().first + 1} * 512;
        std::copy(bytes.begin() + std::ptrdiff_t(start), bytes.begin() + std::ptrdiff_t(end),
                  expected.begin() + std::ptrdiff_t{from} * 512);
        return expected;
    }

    // A failed write: every sector of the image is as it was, but those the
    // message says were written hold the input, and those it says may have
    // been hold one or the other.
    void ExpectOnlyWhatTheMessageSays(const std::string& fault, const std::string& message, const Bytes& after) {
        Bytes written = before; // what "were written" makes
        std::vector<std::pair<std::uint32_t, std::uint32_t>> perhaps;
        static const std::regex range(R"(sectors (\d+) to (\d+) of ([A-Z]): (were written|may have been written))");
        for (auto it = std::sregex_iterator(message.begin(), message.end(), range); it != std::sregex_iterator(); ++it) {
            const auto from = static_cast<std::uint32_t>(std::stoul((*it)[1])), to = static_cast<std::uint32_t>(std::stoul((*it)[2]));
            ASSERT_EQ((*it)[3].str()[0], GetParam().letter) << fault << ": " << message;
            ASSERT_GE(from, GetParam().first);
            ASSERT_LT(to, GetParam().first + GetParam().count);
            if ((*it)[4] == "were written") {
                const Bytes both = Written(from, to);
                std::copy(both.begin() + std::ptrdiff_t{from} * 512, both.begin() + std::ptrdiff_t{to + 1} * 512,
                          written.begin() + std::ptrdiff_t{from} * 512);
            } else {
                perhaps.emplace_back(from, to);
            }
        }
        const Bytes all = Written(GetParam().first, GetParam().first + GetParam().count - 1);
        for (std::size_t at = 0; at < after.size(); ++at) {
            if (after[at] == written[at]) continue;
            const auto sector = static_cast<std::uint32_t>(at / 512);
            const bool allowed = std::any_of(perhaps.begin(), perhaps.end(), [&](const auto& r) {
                return sector >= r.first && sector <= r.second && after[at] == all[at];
            });
            ASSERT_TRUE(allowed) << fault << ": byte " << at << " (sector " << sector << ") changed, and the message does "
                                 << "not say so: " << message;
        }
    }

    Images images;
    fs::path image;
    Bytes before;
    fs::path input = images.dir() / "input.bin";
    fs::path output = images.dir() / "output.bin";
};

TEST_P(FaultSweep, EveryCallOfAGoodRunFailsInTurn) {
    const SweepCase& sweep = GetParam();
    const fs::path trace = images.dir() / "trace.log";
    const ToolResult good = RunZelvan("--trace=" + Quote(trace) + " " + Command());
    ASSERT_EQ(good.status, 0) << good.err;
    const Bytes traced = testsupport::ReadFile(trace);
    const std::vector<std::string> faults = FaultsOf(std::string(traced.begin(), traced.end()));
    ASSERT_GE(faults.size(), 5u);
    const Bytes done = sweep.write ? Written(sweep.first, sweep.first + sweep.count - 1) : before;
    const Bytes read = testsupport::DdRead(image, std::uint64_t{sweep.first} * 512, std::uint64_t{sweep.count} * 512);
    ASSERT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), done));
    const Bytes untouched(7, 0x77);

    for (const std::string& fault : faults) {
        testsupport::WriteFile(image, before);
        testsupport::WriteFile(output, untouched);
        const ToolResult result = RunZelvan(Command(), "ZELVAN_FAULTS='" + fault + "'");
        const Bytes after = testsupport::ReadFile(image);
        if (result.status == 0) {
            EXPECT_TRUE(testsupport::SameBytes(after, done)) << fault << ": a run that succeeded";
            const Bytes expected = sweep.write ? untouched : read;
            EXPECT_EQ(testsupport::ReadFile(output), expected) << fault;
            continue;
        }
        ASSERT_EQ(result.status, 1) << fault << ": " << result.err;
        EXPECT_EQ(result.err.rfind("zelvan: ", 0), 0u) << fault << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << fault << ": " << result.err;
        if (sweep.write) {
            // A planned fault has no effect, so the machine tells the tool
            // exactly what the run wrote.
            EXPECT_EQ(result.err.find("may have been written"), std::string::npos) << fault << ": " << result.err;
            ExpectOnlyWhatTheMessageSays(fault, result.err, after);
        } else {
            EXPECT_TRUE(testsupport::SameBytes(after, before)) << fault << ": a read changed the image";
        }
        EXPECT_EQ(testsupport::ReadFile(output), untouched) << fault << ": a failed read replaced its output";
    }
}

// A write of two pieces (a whole one and 1 MiB) shows what the first left done.
constexpr std::uint32_t twoPieces = (zelvan_cli::pieceBytes + (1u << 20)) / 512;
static_assert(twoPieces == 4096, "NtLongWrite's command names the count");

INSTANTIATE_TEST_SUITE_P(
    Roads, FaultSweep,
    ::testing::Values(SweepCase{"NtRead", "--platform nt", "read C 100 3", false, 'C', 100, 3},
                      SweepCase{"NtWrite", "--platform nt", "write C 100 3", true, 'C', 100, 3},
                      SweepCase{"NtLockedWrite", "--platform nt --lock", "write C 100 3", true, 'C', 100, 3},
                      SweepCase{"NtLongWrite", "--platform nt", "write C 100 4096", true, 'C', 100, twoPieces},
                      SweepCase{"Win95Read", "--platform 95", "read C 100 3", false, 'C', 100, 3},
                      SweepCase{"Win95Write", "--platform 95", "write C 100 3", true, 'C', 100, 3},
                      SweepCase{"Win98Read", "--platform 98 --lock", "read C 100 3", false, 'C', 100, 3},
                      SweepCase{"Win98Write", "--platform 98", "write C 100 3", true, 'C', 100, 3},
                      SweepCase{"Win95FloppyRead", "--platform 95", "floppy-read A 1440 20 3", false, 'A', 20, 3},
                      SweepCase{"Win95FloppyWrite", "--platform 95", "floppy-write A 1440 20 3", true, 'A', 20, 3},
                      SweepCase{"NtFloppyWrite", "--platform nt", "floppy-write A 1440 20 3", true, 'A', 20, 3}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tools_test
