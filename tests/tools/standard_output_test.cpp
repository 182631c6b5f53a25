// zelvan's raw output where the neighbours put theirs: standard output, by
// "-" or by a path that names it, whatever lies behind it.
#include <algorithm>
#include <gtest/gtest.h>

#include "zelvan_run.h"

namespace tools_test {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

class StandardOutput : public ::testing::Test {
protected:
    std::string Read(const std::string& output) const { return images.Drives() + " read C 3 70 -o " + output; }
    Bytes Sectors() const { return testsupport::DdRead(images.disk(), 3 * 512, 70 * 512); }
    // Nothing beside the image but the image itself and the floppy.
    void ExpectNothingMade() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(images.dir().path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"disk.img", "floppy.img"}));
    }

    Images images;
};

TEST_F(StandardOutput, DashWritesRawBytesDownThePipe) {
    const ToolResult result = RunZelvanIn(images.dir().path(), Read("-") + " | cat");
    ASSERT_EQ(result.err, "");
    EXPECT_TRUE(testsupport::SameBytes(BytesOf(result.out), Sectors()));
    ExpectNothingMade();
}

TEST_F(StandardOutput, DevStdoutIsWrittenInPlaceWhateverItIs) {
    const ToolResult piped = RunZelvan(Read("/dev/stdout") + " | cat");
    ASSERT_EQ(piped.err, "");
    EXPECT_TRUE(testsupport::SameBytes(BytesOf(piped.out), Sectors()));
    // A file the shell opened for appending keeps what it held.
    const fs::path log = images.dir() / "log.bin";
    testsupport::WriteFile(log, Bytes{'l', 'o', 'g'});
    ASSERT_EQ(RunZelvan(Read("/dev/stdout") + " >> " + Quote(log)).status, 0);
    Bytes expected{'l', 'o', 'g'};
    const Bytes sectors = Sectors();
    expected.insert(expected.end(), sectors.begin(), sectors.end());
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(log), expected));
    fs::remove(log);
    ExpectNothingMade();
}

} // namespace
} // namespace tools_test
