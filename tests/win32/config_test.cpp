// Configuration from code: what is accepted, and errors that name the input.
#include "hosted_fixture.h"

namespace hostedtest {
namespace {

using hosted::ConfigError;

// The message of the ConfigError `action` throws.
template <typename Action>
std::string ConfigMessage(Action action) {
    try {
        action();
    } catch (const ConfigError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no ConfigError";
    return {};
}

class ConfigTest : public HostedTest {};

TEST_F(ConfigTest, DriveTextSetsPathKindAndReadOnlyPerLetter) {
    testsupport::MakeFatImage(dir, "a.img", 1440, "");
    std::string a = (dir / "a.img").string();
    hosted::MapDrives("a=" + a + ":removable:ro;C=" + a + ";;");
    std::string root = "A:\\";
    EXPECT_EQ(GetDriveTypeA("A:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
    EXPECT_EQ(OpenVolume('A'), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    OwnedHandle fixed(OpenVolume('C'));
    EXPECT_TRUE(fixed.valid());
}

TEST_F(ConfigTest, DrivePathMayContainColonsBeforeTheFlags) {
    std::filesystem::path image = testsupport::MakeFatImage(dir, "odd:name.img", 1440, "");
    hosted::MapDrives("D=" + image.string() + ":removable");
    EXPECT_EQ(GetDriveTypeA("D:"), DRIVE_REMOVABLE);
    DWORD spc = 0;
    EXPECT_TRUE(GetDiskFreeSpaceA("D:\\", &spc, nullptr, nullptr, nullptr));
}

TEST_F(ConfigTest, BadDriveTextNamesTheEntry) {
    EXPECT_NE(ConfigMessage([] { hosted::MapDrives("C"); }).find("'C'"), std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::MapDrives("C=a.img;1=b.img"); }).find("'1=b.img'"), std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::MapDrives("E=:ro"); }).find("no path"), std::string::npos);
    // A bad text maps nothing, not even its good entries.
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_NO_ROOT_DIR);
}

TEST_F(ConfigTest, LettersOutsideAToZAreRefused) {
    EXPECT_THROW(hosted::MapDrive('1', {"x.img"}), ConfigError);
    EXPECT_THROW(hosted::MapDrive('[', {"x.img"}), ConfigError);
    EXPECT_THROW(hosted::UnmapDrive('@'), ConfigError);
    EXPECT_THROW(hosted::MapDrive('C', {""}), ConfigError);
}

TEST_F(ConfigTest, UnmapAndClearForgetDrives) {
    hosted::MapDrives("C=c.img;D=d.img");
    hosted::UnmapDrive('c');
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(GetDriveTypeA("D:\\"), DRIVE_FIXED);
    hosted::ClearDrives();
    EXPECT_EQ(GetDriveTypeA("D:\\"), DRIVE_NO_ROOT_DIR);
}

TEST_F(ConfigTest, BadPlatformAndAnswerAreNamed) {
    EXPECT_NE(ConfigMessage([] { hosted::SetPlatform("96"); }).find("'96'"), std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::SetPlatform("1:x"); }).find("build number 'x'"), std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::SetPlatform("1:99999999999"); }).find("'99999999999'"), std::string::npos);
    EXPECT_THROW(hosted::SetAnswer(IDOK), ConfigError);
}

TEST_F(ConfigTest, BadFaultTextNamesThePartAndKeepsThePlan) {
    hosted::PlanFaults("GetDriveTypeA#1");
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("ReadFile#1;Bogus#1"); }).find("'Bogus'"), std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("ReadFile"); }).find("'ReadFile'"), std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("ReadFile#0"); }).find("from 1"), std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("ReadFile#x"); }).find("'x'"), std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("ReadFile:0x9#1"); }).find("control code"), std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("DeviceIoControl:zz#1"); }).find("'zz'"), std::string::npos);
    EXPECT_THROW(hosted::FailCall("ReadFile", {}), ConfigError);
    // The plan set before the bad texts still holds, and only it.
    hosted::MapDrives("C=c.img");
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_UNKNOWN);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
}

TEST_F(ConfigTest, TraceFileThatCannotBeOpenedIsNamed) {
    std::string bad = (dir / "missing" / "trace.txt").string();
    EXPECT_NE(ConfigMessage([&] { hosted::TraceTo(bad); }).find(bad), std::string::npos);
}

} // namespace
} // namespace hostedtest
