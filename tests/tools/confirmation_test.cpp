// The component's question before a write, as a person meets it: on a
// terminal, told first what is about to be written, with No for Enter; and
// without a terminal, told that nobody could be asked.
#include <csignal>
#include <gtest/gtest.h>

#include "zelvan_run.h"

namespace tools_test {
namespace {

using testsupport::Bytes;

constexpr char question[] = "Dangerous! Do you want to write to the drive C: really?";

class Confirmation : public ::testing::Test {
protected:
    std::string Write() const { return images.Drives() + " write C 100 1 -i " + Quote(input); }
    // What the terminal shows before an answer is typed (it ends its lines with CR LF).
    std::string Asked() const {
        return "zelvan: about to write sectors 100 to 100 of C:, backed by " + images.disk().string() +
               "\r\n\r\n[Attention]\r\nDangerous!\r\nDo you want to write to the drive C: really?\r\nYes/No [No]? ";
    }
    bool DiskUnchanged() const { return testsupport::ReadFile(images.disk()) == before; }

    Images images;
    Bytes before = testsupport::ReadFile(images.disk());
    std::filesystem::path input = [&] {
        const std::filesystem::path path = images.dir() / "sector.bin";
        testsupport::WriteFile(path, testsupport::Pattern(512, 9));
        return path;
    }();
};

TEST_F(Confirmation, OnATerminalItSaysWhatItWritesAndEnterIsNo) {
    ZelvanOnTerminal enter(Write());
    EXPECT_EQ(enter.ShownOnceItEndsWith("? "), Asked());
    enter.Type("\n");
    const ZelvanOnTerminal::Ended declined = enter.Wait();
    EXPECT_EQ(declined.status, 1);
    EXPECT_EQ(declined.shown, Asked() + "\r\nzelvan: the write was not confirmed (the answer to \"" + question +
                                  "\" was No); nothing was written\r\n");
    EXPECT_TRUE(DiskUnchanged());

    ZelvanOnTerminal yes(Write());
    EXPECT_EQ(yes.ShownOnceItEndsWith("? "), Asked());
    yes.Type("yes\n");
    const ZelvanOnTerminal::Ended written = yes.Wait();
    EXPECT_EQ(written.status, 0) << written.shown;
    EXPECT_EQ(testsupport::ReadFile(images.disk()),
              testsupport::Overwritten(before, 100 * 512, testsupport::ReadFile(input)));
}

TEST_F(Confirmation, CtrlCAtTheQuestionStopsTheRunAndWritesNothing) {
    ZelvanOnTerminal zelvan(Write());
    EXPECT_EQ(zelvan.ShownOnceItEndsWith("? "), Asked());
    // As a person is slower than the question: it waits for the answer.
    EXPECT_TRUE(Eventually([&] { return zelvan.WaitsToRead(); }));
    zelvan.Type("\x03");
    const ZelvanOnTerminal::Ended ended = zelvan.Wait();
    EXPECT_EQ(ended.signal, SIGINT) << ended.shown;
    EXPECT_EQ(ended.shown, Asked() + "^C\r\nzelvan: stopped by SIGINT; nothing was written\r\n");
    EXPECT_TRUE(DiskUnchanged());
}

TEST_F(Confirmation, WithoutATerminalNobodyCouldBeAskedAndYesIsNamed) {
    const ToolResult result = RunZelvan(Write());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, std::string("zelvan: the write was not confirmed: nobody could be asked \"") + question +
                              "\" (there is no terminal, and no answer was given); --yes writes without asking; "
                              "nothing was written\n");
    EXPECT_TRUE(DiskUnchanged());
}

} // namespace
} // namespace tools_test
