// ReadSectors and WriteSectors on every road: the checks before a transfer,
// the question before a write, and the attempts.
#include <climits>
#include <cstdint>

#include "machine_fixture.h"
#include "peer.h"

namespace orvane_test {
namespace {

using Orvane::TZelvan;
using Orvane::TZelvanTestPeer;
using testsupport::Bytes;

// Each road a logical transfer can take, by the identity that selects it.
class LogicalTest : public MachineTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        UsePlatform(GetParam());
        image = MapFat('C', 16384, "-F 16");
        z = std::make_unique<TZelvan>(nullptr);
        hosted::ClearJournal();
    }
    // Through the overloads that take a span, as a C++ caller passes a buffer.
    bool Read(Bytes& buffer) { return z->ReadSectors(buffer); }
    bool Write(const Bytes& buffer) { return z->WriteSectors(buffer); }

    std::filesystem::path image;
    std::unique_ptr<TZelvan> z;
};

INSTANTIATE_TEST_SUITE_P(Roads, LogicalTest, ::testing::Values("nt", "95", "98"));

TEST_P(LogicalTest, TheBufferMustHoldTheWholeRun) {
    z->SetFirstSector(20);
    z->SetSectors(2);
    Bytes shorter(1023);
    EXPECT_FALSE(Read(shorter));
    EXPECT_FALSE(Write(shorter));
    EXPECT_TRUE(hosted::Journal().empty()) << "refused before any question or disk access";

    Bytes exact(1024);
    ASSERT_TRUE(Read(exact));
    EXPECT_EQ(exact, testsupport::DdRead(image, 20 * 512, 1024));

    Bytes larger(1500, 0xA5);
    ASSERT_TRUE(Read(larger));
    EXPECT_EQ(Bytes(larger.begin(), larger.begin() + 1024), exact);
    EXPECT_EQ(Bytes(larger.begin() + 1024, larger.end()), Bytes(476, 0xA5)) << "bytes past the run are left alone";
}

TEST_P(LogicalTest, AConfirmedWriteChangesExactlyTheRun) {
    hosted::SetAnswer(IDYES);
    z->SetFirstSector(100);
    z->SetSectors(3);
    const Bytes before = testsupport::ReadFile(image);
    const Bytes data = testsupport::Pattern(1536, 9);
    ASSERT_TRUE(Write(data));
    const Bytes expected = testsupport::Overwritten(before, 100 * 512, data);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), expected));

    const auto shown = hosted::ShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Dangerous!\rDo you want to write to the drive C: really?");
    EXPECT_EQ(shown[0].caption, "Attention");
    EXPECT_EQ(shown[0].style, 52u);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_P(LogicalTest, AnsweringNoWritesNothingAndNoQuestionWithoutTheWarning) {
    hosted::SetAnswer(IDNO);
    const Bytes before = testsupport::ReadFile(image);
    const Bytes data = testsupport::Pattern(512, 2);
    EXPECT_FALSE(Write(data));
    EXPECT_EQ(hosted::ShownMessages().size(), 1u);
    EXPECT_EQ(Calls(), std::vector<std::string>{"MessageBoxA"});
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));

    z->SetNeedWriteWarn(false);
    hosted::ClearJournal();
    EXPECT_TRUE(Write(data));
    EXPECT_TRUE(hosted::ShownMessages().empty());
    EXPECT_EQ(testsupport::DdRead(image, 0, 512), data);
}

TEST_P(LogicalTest, TheQuestionFollowsTheApplicationsText) {
    const vcl::AnsiString shipped = Orvane::AttentionText;
    Orvane::AttentionText = "Sure? ";
    hosted::SetAnswer(IDNO);
    Bytes data(512);
    EXPECT_FALSE(Write(data));
    Orvane::AttentionText = shipped;
    ASSERT_EQ(hosted::ShownMessages().size(), 1u);
    EXPECT_EQ(hosted::ShownMessages()[0].text, "Sure? C: really?");
}

TEST(OpenArray, TheHighOfABufferIsTheIndexOfItsLastByteAndNeverWraps) {
    EXPECT_EQ(vcl::OpenArrayHigh(0), -1);
    EXPECT_EQ(vcl::OpenArrayHigh(512), 511);
    EXPECT_EQ(vcl::OpenArrayLength(vcl::OpenArrayHigh(512)), 512u);
    constexpr std::size_t most = std::size_t{1} << 31;
    EXPECT_EQ(vcl::OpenArrayHigh(most), INT_MAX);
    EXPECT_EQ(vcl::OpenArrayHigh(SIZE_MAX), INT_MAX) << "taken as its first 2^31 bytes, not as a short or empty one";
}

TEST_P(LogicalTest, ARefusedFirstSectorLeavesTheOldRunToBeMoved) {
    z->SetFirstSector(40);
    z->SetFirstSector(999999999);
    EXPECT_EQ(z->FirstSector(), 40u) << "what a caller reads back to see the refusal";
    Bytes sector(512);
    EXPECT_TRUE(Read(sector));
    EXPECT_EQ(sector, testsupport::DdRead(image, 40 * 512, 512));
}

// What a caller finds in GetLastError after a false.
TEST_P(LogicalTest, OnlyAFailedCallOfTheNtRoadLeavesItsErrorBehind) {
    const auto protectedImage = MapFat('D', 4096, "-F 12", hosted::DriveKind::Fixed, true);
    z->SetDisk('D');
    z->SetNeedWriteWarn(false);
    const Bytes before = testsupport::ReadFile(protectedImage);
    Bytes sector(512, 0xEE);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(Write(sector));
    const bool nt = std::string_view(GetParam()) == "nt";
    EXPECT_EQ(GetLastError(), nt ? DWORD{ERROR_WRITE_PROTECT} : DWORD{ERROR_SUCCESS});
    EXPECT_EQ(testsupport::ReadFile(protectedImage), before);
    Bytes shorter(511);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(Read(shorter));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SUCCESS}) << "refused before any call";
}

TEST_P(LogicalTest, AnEmptyRunPassesTheLengthTestWithAnEmptyBuffer) {
    z->SetSectors(0);
    EXPECT_TRUE(z->ReadSectors(nullptr, -1)) << "nothing to move, and the road moved it";
    if (std::string_view(GetParam()) == "nt") {
        EXPECT_EQ(Lines("ReadFile"), std::vector<std::string>{"ReadFile(h1, ptr, 0, ptr, NULL) = TRUE (0 bytes)"});
    } else {
        const auto requests = Vwin32Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_NE(requests[0].line.find("packet(00 00 00 00 00 00 "), std::string::npos) << requests[0].line;
        EXPECT_EQ(requests[0].out.at("Flags") & 1u, 0u);
    }
}

TEST_P(LogicalTest, AFailedSelectionRefusesWithoutTouchingTheDisk) {
    z->SetDisk('Q');
    hosted::ClearJournal();
    Bytes buffer(512);
    EXPECT_FALSE(Read(buffer));
    EXPECT_FALSE(Write(buffer));
    EXPECT_TRUE(hosted::Journal().empty());
}

TEST_P(LogicalTest, NoRetriesMeansNoAttemptButTheQuestionIsStillAsked) {
    z->SetRetries(0);
    hosted::SetAnswer(IDYES);
    Bytes buffer(512);
    EXPECT_FALSE(Read(buffer));
    EXPECT_FALSE(Write(buffer));
    EXPECT_EQ(Calls(), std::vector<std::string>{"MessageBoxA"});
}

TEST_P(LogicalTest, TheQuestionIsAskedOnceHoweverManyAttemptsFail) {
    z->SetRetries(3);
    hosted::SetAnswer(IDYES);
    hosted::FailCall("CreateFileA", {1, 2, 3});
    const Bytes before = testsupport::ReadFile(image);
    EXPECT_FALSE(Write(testsupport::Pattern(512, 3)));
    EXPECT_EQ(hosted::ShownMessages().size(), 1u);
    EXPECT_EQ(Calls().front(), "MessageBoxA");
    EXPECT_EQ(CountCalls("MessageBoxA"), 1u);
    EXPECT_EQ(CountCalls("CreateFileA"), 3u);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));
}

TEST_P(LogicalTest, ADialogThatCannotBeShownWritesNothing) {
    hosted::SetAnswer(IDYES);
    hosted::FailCall("MessageBoxA", {1});
    const Bytes before = testsupport::ReadFile(image);
    EXPECT_FALSE(Write(testsupport::Pattern(512, 5)));
    EXPECT_EQ(Lines("MessageBoxA").size(), 1u);
    EXPECT_EQ(Calls(), std::vector<std::string>{"MessageBoxA"});
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));
}

TEST_P(LogicalTest, EachAttemptIsAWholeCallOfTheRoad) {
    // The road cannot open its handle twice; the third attempt gets through.
    z->SetRetries(3);
    hosted::FailCall("CreateFileA", {1, 2});
    Bytes buffer(512);
    EXPECT_TRUE(Read(buffer));
    EXPECT_EQ(CountCalls("CreateFileA"), 3u);
    EXPECT_EQ(buffer, testsupport::DdRead(image, 0, 512));

    z->SetRetries(2);
    hosted::ClearJournal();
    hosted::FailCall("CreateFileA", {1, 2});
    EXPECT_FALSE(Read(buffer));
    EXPECT_EQ(CountCalls("CreateFileA"), 2u);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_P(LogicalTest, ARunPastTheBoundIsPassedOnAsSet) {
    const std::uint32_t bound = SizeBound(image);
    z->SetSectors(4);
    z->SetFirstSector(bound - 1);
    Bytes buffer(2048);
    ASSERT_TRUE(Read(buffer)) << "the volume's last sectors lie past the clustered ones";
    EXPECT_EQ(buffer, testsupport::DdRead(image, std::uint64_t{bound - 1} * 512, 2048));
}

// The medium ends inside the run (it shrank after the drive was measured):
// no road hands out bytes it did not read as the run's.
TEST_P(LogicalTest, ARunTheMediumEndsInsideIsNotRead) {
    z->SetFirstSector(1000);
    z->SetSectors(2);
    std::filesystem::resize_file(image, 1001 * 512);
    Bytes buffer(1024, 0xA5);
    EXPECT_FALSE(Read(buffer));
    EXPECT_GE(CountCalls(std::string_view(GetParam()) == "nt" ? "ReadFile" : "DeviceIoControl"), 2u);
}

TEST_P(LogicalTest, InstancesTransferOnTheirOwnDrives) {
    const auto d = MapFat('D', 1440, "-F 12");
    TZelvan onD(nullptr);
    onD.SetDisk('D');
    hosted::SetAnswer(IDYES);
    const Bytes c0 = testsupport::DdRead(image, 0, 512), d0 = testsupport::DdRead(d, 0, 512);
    Bytes buffer(512);
    ASSERT_TRUE(onD.ReadSectors(buffer.data(), 511));
    EXPECT_EQ(buffer, d0);
    ASSERT_TRUE(Read(buffer));
    EXPECT_EQ(buffer, c0);

    const Bytes data = testsupport::Pattern(512, 4);
    z->SetFirstSector(9);
    ASSERT_TRUE(Write(data));
    EXPECT_EQ(hosted::ShownMessages().back().text.back(), '?');
    EXPECT_NE(hosted::ShownMessages().back().text.find("drive C:"), std::string::npos);
    EXPECT_EQ(testsupport::DdRead(image, 9 * 512, 512), data);
    EXPECT_NE(testsupport::DdRead(d, 9 * 512, 512), data);
}

TEST_F(MachineTest, OnAPlatformNeitherWindows95NorNtAWriteAsksThenMovesNothing) {
    const auto image = MapFat('C', 16384, "-F 16");
    UsePlatform("0:100");
    TZelvan z(nullptr);
    hosted::SetAnswer(IDYES);
    hosted::ClearJournal();
    const Bytes before = testsupport::ReadFile(image);
    const Bytes data = testsupport::Pattern(512, 8);
    EXPECT_FALSE(z.WriteSectors(data.data(), 511));
    Bytes buffer(512);
    EXPECT_FALSE(z.ReadSectors(buffer.data(), 511));
    EXPECT_EQ(Calls(), std::vector<std::string>{"MessageBoxA"});
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));
}

} // namespace
} // namespace orvane_test
