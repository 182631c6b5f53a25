// Configuration from code: what is accepted, and errors that name the input.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hosted_fixture.h"
#include "win32/hosted/unique_fd.h"

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
    OwnedHandle readOnly(OpenVolume('A'));
    testsupport::Bytes sector(512);
    DWORD put = 0;
    EXPECT_FALSE(WriteFile(readOnly.get(), sector.data(), 512, &put, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    OwnedHandle fixed(OpenVolume('C'));
    EXPECT_TRUE(WriteFile(fixed.get(), sector.data(), 0, &put, nullptr));
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

// What would silently become part of a path, or silently win over another
// part of the text, is refused with the part named.
TEST_F(ConfigTest, UnknownFlagsBlanksAndRepeatsAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"C=disk.img:bogus", "drive entry 'C=disk.img:bogus': unknown flag 'bogus' (the flags are removable, fixed, ro, offset=BYTES and size=BYTES)"},
        {"C=disk.img ", "drive entry 'C=disk.img ' begins or ends with a blank"},
        {"C=disk.img; D=d.img", "drive entry ' D=d.img' begins or ends with a blank"},
        {"C= disk.img:ro", "drive entry 'C= disk.img:ro': the path ' disk.img' begins or ends with a blank"},
        {"C=disk.img: ro", "drive entry 'C=disk.img: ro': a blank around the flag 'ro'"},
        {"C=a.img;D=d.img;c=b.img", "drive C is given twice"},
        {"A=a.img:removable:fixed", "drive entry 'A=a.img:removable:fixed': the flags 'removable' and 'fixed' conflict: a drive is one or the other"},
        {"A=a.img:ro:RO", "drive entry 'A=a.img:ro:RO': the flag 'ro' is given twice"},
        {"A=a.img:fixed:fixed", "drive entry 'A=a.img:fixed:fixed': the flag 'fixed' is given twice"},
        {"C=d.img:offset=1000", "drive entry 'C=d.img:offset=1000': offset '1000' is not a whole number of 512-byte sectors"},
        {"C=d.img:size=0x1x", "drive entry 'C=d.img:size=0x1x': size '0x1x' is not a number of bytes"},
        {"C=d.img:size=0", "drive entry 'C=d.img:size=0': size 0 holds no sector"},
        {"C=d.img:offset", "drive entry 'C=d.img:offset': the flag 'offset' needs a value (offset=BYTES)"},
        {"C=d.img:ro=1", "drive entry 'C=d.img:ro=1': the flag 'ro' takes no value"},
        {"C=d.img:offset=512:offset=0", "drive entry 'C=d.img:offset=512:offset=0': the flag 'offset' is given twice"},
        {"C=d.img:part=1", "drive entry 'C=d.img:part=1': unknown flag 'part=1' (the flags are removable, fixed, ro, "
                           "offset=BYTES and size=BYTES)"},
    };
    for (const auto& [text, message] : cases) EXPECT_EQ(ConfigMessage([&] { hosted::MapDrives(text); }), message) << text;
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(GetDriveTypeA("A:\\"), DRIVE_NO_ROOT_DIR);
    // A word that is not all letters after the last ':' is the path's own.
    hosted::MapDrives("C=dir:2/disk.img:RO;D=img:v1");
    EXPECT_EQ(hosted::InspectDrive('C')->path, "dir:2/disk.img");
    EXPECT_TRUE(hosted::InspectDrive('C')->readOnly);
    EXPECT_EQ(hosted::InspectDrive('D')->path, "img:v1");
    // A partition: the part of the medium from the offset on, that long.
    hosted::MapDrives("E=disk.img:OFFSET=0x100000:size=16777216:ro");
    EXPECT_EQ(hosted::InspectDrive('E')->path, "disk.img");
    EXPECT_EQ(hosted::InspectDrive('E')->window, (hosted::MediumWindow{1048576, 16777216}));
}

// The journal appended to a drive's own image would corrupt it: refused
// whichever is set first, by the file itself, whatever names it.
TEST_F(ConfigTest, ATraceFileThatIsADrivesBackingIsRefused) {
    const std::filesystem::path image = testsupport::MakeFatImage(dir, "c.img", 1440, "");
    std::filesystem::create_symlink(image, dir / "link.img");
    const testsupport::Bytes before = testsupport::ReadFile(image);
    hosted::MapDrive('C', {image.string()});
    EXPECT_EQ(ConfigMessage([&] { hosted::TraceTo((dir / "link.img").string()); }),
              "trace file '" + (dir / "link.img").string() + "' is the backing of drive C:; the journal would be "
              "written into the drive");
    GetDriveTypeA("C:\\");
    hosted::UnmapDrive('C');
    // Traced to before it is named as a drive: the lines go, and so does the trace.
    hosted::TraceTo(((dir / ".") / "c.img").string());
    GetDriveTypeA("C:\\");
    EXPECT_GT(std::filesystem::file_size(image), before.size());
    EXPECT_EQ(ConfigMessage([&] { hosted::MapDrives("E=" + (dir / "link.img").string() + ":ro"); }),
              "drive E: '" + (dir / "link.img").string() + "' is the trace file; the journal would be written into "
              "the drive (the trace stops, and its lines are taken back)");
    EXPECT_FALSE(hosted::InspectDrive('E').has_value());
    GetDriveTypeA("C:\\");
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));
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
    // A value is an error for a call and a status for a service, never 0.
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("ReadFile#1=x"); }).find("value in fault 'ReadFile#1=x' 'x'"),
              std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("ReadFile#1=0"); }).find("error 0 is not from 1"), std::string::npos);
    // Every error the machine returns is one the tools can name.
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("WriteFile#1=9999"); })
                  .find("fault call 'WriteFile': error 9999 is none of the Windows errors the machine knows"),
              std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("INT13#1=0x100"); }).find("status 256 is not from 1 to 255"),
              std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("INT25#1=0x10000"); }).find("status 65536 is not from 1 to 65535"),
              std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("INT13:0x4#1"); }).find("INT13 takes no control code"),
              std::string::npos);
    EXPECT_NE(ConfigMessage([] { hosted::PlanFaults("INT99#1"); }).find("'INT99' names no call or service"),
              std::string::npos);
    // The plan set before the bad texts still holds, and only it.
    hosted::MapDrives("C=c.img");
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_UNKNOWN);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
}

// One entry a call: a second one in the same text would silently replace
// the first, so it is refused, however its control code is written.
TEST_F(ConfigTest, ACallPlannedTwiceInOneTextIsRefusedByName) {
    hosted::PlanFaults("GetDriveTypeA#1");
    EXPECT_EQ(ConfigMessage([] { hosted::PlanFaults("ReadFile#1,2;ReadFile#3,4"); }),
              "fault call 'ReadFile' is planned twice: give all its call numbers in one entry, as ReadFile#1,2,3,4");
    EXPECT_EQ(ConfigMessage([] { hosted::PlanFaults("DeviceIoControl:0x90018#1;DeviceIoControl:589848#1"); }),
              "fault call 'DeviceIoControl:589848' is planned twice: give all its call numbers in one entry, as "
              "DeviceIoControl:589848#1");
    // Another control code, or none, is another entry.
    hosted::PlanFaults("DeviceIoControl:0x90018#1;DeviceIoControl#2;GetDriveTypeA#2");
    hosted::MapDrives("C=c.img");
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_UNKNOWN);
}

TEST_F(ConfigTest, TraceFileThatCannotBeOpenedIsNamed) {
    std::string bad = (dir / "missing" / "trace.txt").string();
    EXPECT_NE(ConfigMessage([&] { hosted::TraceTo(bad); }).find(bad), std::string::npos);
    // Opening a FIFO for writing would wait for a reader that may never come.
    const std::string fifo = (dir / "trace.fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ConfigMessage([&] { hosted::TraceTo(fifo); }), "trace file '" + fifo + "' is a FIFO that no program reads");
    // One that a program reads takes the journal.
    const hosted::UniqueFd reader(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK));
    hosted::TraceTo(fifo);
    GetDriveTypeA("C:\\");
    hosted::TraceTo("");
    char line[64] = {};
    ASSERT_GT(::read(reader.get(), line, sizeof line - 1), 0);
    EXPECT_EQ(std::string(line), "GetDriveTypeA(\"C:\\\") = DRIVE_NO_ROOT_DIR\n");
}

// Lines that the trace cannot take stop it, and it says so with the
// system's reason; the calls themselves go on.
TEST_F(ConfigTest, ATraceThatLosesLinesSaysWhy) {
    hosted::TraceTo("/dev/full");
    EXPECT_EQ(hosted::TraceFailure(), std::nullopt);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(hosted::TraceFailure(),
              "trace file '/dev/full' could not be written: No space left on device; the journal stops short");
    hosted::TraceTo((dir / "trace.log").string());
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(hosted::TraceFailure(), std::nullopt);
    hosted::TraceTo("");
}

} // namespace
} // namespace hostedtest
