// zelvan stopped by the user mid-run (Ctrl+C, kill, a closed terminal): it
// leaves no file of its own behind, says what it had done, and ends by the
// signal, as the shell expects.
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "zelvan/rescue_map.h"
#include "zelvan/transfer.h"

#include "zelvan_run.h"

namespace tools_test {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

// The names in `folder`, sorted.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The pieces in the run's temporary file.
std::uintmax_t PiecesRead(const fs::path& folder) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        std::error_code error;
        if (entry.path().filename().string().starts_with("out.bin.partial-"))
            return fs::file_size(entry.path(), error) / zelvan_cli::pieceBytes;
    }
    return 0;
}

std::size_t LinesStartingWith(const fs::path& file, const std::string& start) {
    const Bytes bytes = testsupport::ReadFile(file);
    const std::string text = "\n" + std::string(bytes.begin(), bytes.end());
    std::size_t count = 0;
    for (std::size_t at = text.find("\n" + start); at != text.npos; at = text.find("\n" + start, at + 1)) ++count;
    return count;
}

class InterruptedRead : public ::testing::TestWithParam<int> {
protected:
    // A read of 4 GiB, stopped by the parameter's signal once its first
    // piece is in its temporary file. It stops at the next piece: the
    // pieces it read are those in the file then, and one more at most.
    RunningZelvan::Ended Interrupt() {
        RunningZelvan zelvan("--trace=" + Quote(trace) + " --drive C=" + Quote(image) + " read C 0 8000000 -o " +
                             Quote(dir / "out.bin"));
        EXPECT_TRUE(Eventually([&] { return PiecesRead(dir.path()) > 0; }));
        // Held still, so that the signal arrives mid-run however busy the machine is.
        zelvan.Signal(SIGSTOP);
        const std::uintmax_t pieces = PiecesRead(dir.path());
        zelvan.Signal(GetParam());
        zelvan.Signal(SIGCONT);
        RunningZelvan::Ended ended = zelvan.Wait();
        EXPECT_LE(LinesStartingWith(trace, "ReadFile("), pieces + 1);
        fs::remove(trace);
        return ended;
    }

    testsupport::TempDir dir;
    fs::path image = testsupport::MakeFatImage(dir, "large.img", 4 * 1024 * 1024, "-F 32");
    fs::path trace = dir / "trace.log";
};

TEST_P(InterruptedRead, RemovesItsTemporaryFileAndEndsByTheSignal) {
    const RunningZelvan::Ended fresh = Interrupt();
    EXPECT_EQ(fresh.signal, GetParam()) << fresh.err;
    const std::string name = GetParam() == SIGINT ? "SIGINT" : GetParam() == SIGTERM ? "SIGTERM" : "SIGHUP";
    EXPECT_EQ(fresh.err, "zelvan: stopped by " + name + "; " + (dir / "out.bin").string() + " was not made\n");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"large.img"});

    testsupport::WriteFile(dir / "out.bin", Bytes{'o', 'l', 'd'});
    const RunningZelvan::Ended replacing = Interrupt();
    EXPECT_EQ(replacing.signal, GetParam());
    EXPECT_EQ(replacing.err, "zelvan: stopped by " + name + "; " + (dir / "out.bin").string() + " was left as it was\n");
    EXPECT_EQ(testsupport::ReadFile(dir / "out.bin"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"large.img", "out.bin"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedRead, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

// A rescue stopped mid-run keeps what it read, in place, and its map, which
// says so; the same map file goes on from there.
TEST(InterruptedRescue, KeepsItsMapAndSaysHowToResume) {
    testsupport::TempDir dir;
    const fs::path image = testsupport::MakeFatImage(dir, "large.img", 4 * 1024 * 1024, "-F 32");
    const fs::path map = dir / "out.map";
    RunningZelvan zelvan("--drive C=" + Quote(image) + " read C 0 8000000 -o " + Quote(dir / "out.bin") +
                         " --rescue " + Quote(map));
    ASSERT_TRUE(Eventually([&] { return fs::exists(map); }));
    zelvan.Signal(SIGSTOP);
    zelvan.Signal(SIGINT);
    zelvan.Signal(SIGCONT);
    const RunningZelvan::Ended ended = zelvan.Wait();
    EXPECT_EQ(ended.signal, SIGINT) << ended.err;
    const Bytes text = testsupport::ReadFile(map);
    const std::vector<zelvan_cli::MapArea> areas = zelvan_cli::ParseMap(std::string(text.begin(), text.end()), 512);
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[0].status, zelvan_cli::sectorsRead);
    EXPECT_EQ(areas[1].status, zelvan_cli::sectorsUntried);
    EXPECT_EQ(areas[1].End(), 8000000u);
    EXPECT_EQ(ended.err, "zelvan: stopped by SIGINT; rescue of sectors 0 to 7999999 of C: " +
                             std::to_string(areas[0].count) + " read into " + (dir / "out.bin").string() +
                             " (map " + map.string() + "); the same map file resumes it\n");
}

// A write of four pieces from a FIFO, given two pieces and half of the
// third: zelvan then waits for the rest of the third piece.
class WriteFromFifo : public ::testing::Test {
protected:
    static constexpr std::uint32_t perPiece = zelvan_cli::pieceBytes / 512;

    std::unique_ptr<RunningZelvan> StartAndFeedTwoPiecesAndAHalf() {
        auto zelvan = std::make_unique<RunningZelvan>(images.Drives() + " --yes write C 100 " +
                                                      std::to_string(4 * perPiece) + " -i " + Quote(fifo));
        input = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        EXPECT_GE(input, 0);
        Feed(0, zelvan_cli::pieceBytes * 5 / 2);
        EXPECT_TRUE(Eventually([&] { return zelvan->WaitsToRead(); }));
        return zelvan;
    }
    void Feed(std::size_t from, std::size_t to) const {
        EXPECT_EQ(::write(input, bytes.data() + from, to - from), static_cast<ssize_t>(to - from));
    }
    Bytes DiskWith(std::size_t length) const {
        return testsupport::Overwritten(before, 100 * 512, Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(length)));
    }
    // A zelvan that ended early makes the FIFO's write fail rather than end the test.
    void SetUp() override { pipeHandling = std::signal(SIGPIPE, SIG_IGN); }
    void TearDown() override {
        if (input >= 0) ::close(input);
        std::signal(SIGPIPE, pipeHandling);
    }

    Images images;
    fs::path fifo = [&] {
        const fs::path path = images.dir() / "input.fifo";
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path;
    }();
    Bytes before = testsupport::ReadFile(images.disk());
    Bytes bytes = testsupport::Pattern(4 * zelvan_cli::pieceBytes, 7);
    int input = -1;
    void (*pipeHandling)(int) = SIG_DFL;
};

TEST_F(WriteFromFifo, StopsBetweenPiecesAndSaysWhatItWrote) {
    const std::unique_ptr<RunningZelvan> zelvan = StartAndFeedTwoPiecesAndAHalf();
    zelvan->Signal(SIGTERM);
    const RunningZelvan::Ended ended = zelvan->Wait();
    EXPECT_EQ(ended.signal, SIGTERM) << ended.err;
    const std::uint32_t unwritten = 100 + 2 * perPiece;
    EXPECT_EQ(ended.err, "zelvan: stopped by SIGTERM; sectors 100 to " + std::to_string(unwritten - 1) +
                             " of C: were written, sectors " + std::to_string(unwritten) + " to " +
                             std::to_string(100 + 4 * perPiece - 1) + " of C: were not\n");
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()), DiskWith(2 * zelvan_cli::pieceBytes)));
}

// Started with the hangup ignored, as nohup starts a program, it outlives
// its terminal.
TEST_F(WriteFromFifo, ASignalIgnoredAtStartStaysIgnored) {
    const auto held = std::signal(SIGHUP, SIG_IGN);
    const std::unique_ptr<RunningZelvan> zelvan = StartAndFeedTwoPiecesAndAHalf();
    std::signal(SIGHUP, held);
    zelvan->Signal(SIGHUP);
    Feed(zelvan_cli::pieceBytes * 5 / 2, bytes.size());
    ::close(std::exchange(input, -1));
    const RunningZelvan::Ended ended = zelvan->Wait();
    EXPECT_EQ(ended.signal, 0);
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()), DiskWith(bytes.size())));
}

} // namespace
} // namespace tools_test
