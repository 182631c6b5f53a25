// The journal and the fault plan, from code and from the environment of a
// fresh process.
#include <cstdlib>
#include <sstream>

#include "hosted_fixture.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;

class JournalTest : public HostedTest {
protected:
    void SetUp() override {
        HostedTest::SetUp();
        image = MapImage('C', 1440, "");
        hosted::ClearJournal();
    }
    std::filesystem::path image;
};

TEST_F(JournalTest, EveryCallIsOneLineWithArgumentsAndResult) {
    HANDLE volume = CreateFileA("\\\\.\\C:", readWrite, shareBoth, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFilePointer(volume, 1024, nullptr, FILE_BEGIN);
    Bytes buffer(512);
    DWORD count = 0;
    ReadFile(volume, buffer.data(), 512, &count, nullptr);
    DeviceIoControl(volume, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &count, nullptr);
    DeviceIoControl(volume, FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &count, nullptr);
    DeviceIoControl(volume, FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &count, nullptr);
    SetFilePointer(volume, -4096, nullptr, FILE_CURRENT);
    CloseHandle(volume);
    CloseHandle(volume);
    SetErrorMode(1);
    GetDriveTypeA("C:\\");
    std::vector<std::string> expected = {
        R"(CreateFileA("\\.\C:", 0xC0000000, 0x3, NULL, 3, 0x0, NULL) = h1)",
        "SetFilePointer(h1, 1024, NULL, FILE_BEGIN) = 1024",
        "ReadFile(h1, ptr, 512, ptr, NULL) = TRUE (512 bytes)",
        "DeviceIoControl(h1, 0x90018, NULL, 0, NULL, 0, ptr, NULL) = TRUE",
        "DeviceIoControl(h1, 0x9001C, NULL, 0, NULL, 0, ptr, NULL) = TRUE",
        "DeviceIoControl(h1, 0x9001C, NULL, 0, NULL, 0, ptr, NULL) = FALSE (ERROR_NOT_LOCKED)",
        "SetFilePointer(h1, -4096, NULL, FILE_CURRENT) = INVALID_SET_FILE_POINTER (ERROR_NEGATIVE_SEEK)",
        "CloseHandle(h1) = TRUE",
        "CloseHandle(h1) = FALSE (ERROR_INVALID_HANDLE)",
        "SetErrorMode(0x1) = 0x0",
        R"(GetDriveTypeA("C:\") = DRIVE_FIXED)",
    };
    EXPECT_EQ(hosted::Journal(), expected);
    EXPECT_EQ(hosted::JournalOf("CloseHandle"), std::vector<std::string>(expected.begin() + 7, expected.begin() + 9));
}

TEST_F(JournalTest, QueriesShowWhatTheyReturned) {
    hosted::SetAnswer(IDYES);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    DWORD spc, bps, free, total;
    GetDiskFreeSpaceA("C:\\", &spc, &bps, &free, &total);
    MessageBoxA(nullptr, "Dangerous!\rWrite C: really?", "Attention", 0x34);
    std::ostringstream space;
    space << R"(GetDiskFreeSpaceA("C:\", ptr, ptr, ptr, ptr) = TRUE ()" << spc << ", " << bps << ", " << free << ", " << total << ")";
    std::vector<std::string> expected = {
        "GetVersionExA(ptr) = TRUE (platform 2, version 4.0, build 1381)",
        space.str(),
        R"(MessageBoxA(NULL, "Dangerous!\x0DWrite C: really?", "Attention", 0x34) = IDYES (answer set by code))",
    };
    EXPECT_EQ(hosted::Journal(), expected);
}

TEST_F(JournalTest, PlannedCallFailsWithoutEffect) {
    hosted::FailCall("ReadFile", {2});
    hosted::FailCall("WriteFile", {1});
    OwnedHandle volume(OpenVolume('C'));
    Bytes buffer(512, 0xEE);
    DWORD count = 0;
    EXPECT_TRUE(ReadFile(volume.get(), buffer.data(), 512, &count, nullptr));
    Bytes untouched(512, 0xEE);
    EXPECT_FALSE(ReadFile(volume.get(), untouched.data(), 512, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CRC);
    EXPECT_EQ(untouched, Bytes(512, 0xEE));
    EXPECT_EQ(SetFilePointer(volume.get(), 0, nullptr, FILE_CURRENT), 512u);
    Bytes before = testsupport::ReadFile(image);
    EXPECT_FALSE(WriteFile(volume.get(), buffer.data(), 512, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
    EXPECT_EQ(testsupport::ReadFile(image), before);
    EXPECT_TRUE(ReadFile(volume.get(), buffer.data(), 512, &count, nullptr));
    std::vector<std::string> reads = hosted::JournalOf("ReadFile");
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[1], "ReadFile(h1, ptr, 512, ptr, NULL) = FALSE (ERROR_CRC, planned fault)");
}

TEST_F(JournalTest, APlannedCallSetsTheErrorThePlanNames) {
    hosted::PlanFaults("ReadFile#1=0x15;CreateFileA#2=5");
    OwnedHandle volume(OpenVolume('C'));
    Bytes buffer(512, 0xEE);
    DWORD count = 7;
    EXPECT_FALSE(ReadFile(volume.get(), buffer.data(), 512, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(buffer, Bytes(512, 0xEE));
    EXPECT_EQ(OpenVolume('C'), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(hosted::JournalOf("ReadFile")[0], "ReadFile(h1, ptr, 512, ptr, NULL) = FALSE (ERROR_NOT_READY, planned fault)");
}

TEST_F(JournalTest, ControlCodeQualifiesTheCount) {
    hosted::PlanFaults("DeviceIoControl:0x90018#2;CreateFileA#2");
    OwnedHandle volume(OpenVolume('C'));
    EXPECT_EQ(OpenVolume('C'), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    DWORD returned = 0;
    auto control = [&](DWORD code) { return DeviceIoControl(volume.get(), code, nullptr, 0, nullptr, 0, &returned, nullptr); };
    EXPECT_TRUE(control(FSCTL_LOCK_VOLUME));
    EXPECT_TRUE(control(FSCTL_UNLOCK_VOLUME));
    EXPECT_FALSE(control(FSCTL_LOCK_VOLUME));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    // The refused lock took no lock.
    EXPECT_FALSE(control(FSCTL_UNLOCK_VOLUME));
    EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
    EXPECT_TRUE(control(FSCTL_LOCK_VOLUME));
    hosted::ClearFaults();
    EXPECT_TRUE(control(FSCTL_UNLOCK_VOLUME));
}

TEST_F(JournalTest, TraceFileGetsEveryLine) {
    std::filesystem::path trace = dir / "trace.txt";
    hosted::TraceTo(trace.string());
    GetDriveTypeA("C:\\");
    GetDriveTypeA("D:\\");
    hosted::TraceTo("");
    GetDriveTypeA("E:\\");
    Bytes text = testsupport::ReadFile(trace);
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "GetDriveTypeA(\"C:\\\") = DRIVE_FIXED\nGetDriveTypeA(\"D:\\\") = DRIVE_NO_ROOT_DIR\n");
}

// A fresh process configured only by its environment.
testsupport::CommandResult RunProbe(const std::string& environment, const std::string& letter) {
    return testsupport::Run("env -i " + environment + " '" WIN32_PROBE "' " + letter);
}

TEST_F(JournalTest, EnvironmentConfiguresAFreshProcess) {
    std::filesystem::path trace = dir / "probe.trace";
    testsupport::FatFigures figures = testsupport::FsckFigures(image);
    testsupport::CommandResult run =
        RunProbe("ZELVAN_DRIVES='D=" + image.string() + ":removable' ZELVAN_PLATFORM=98 ZELVAN_ANSWER=yes "
                 "ZELVAN_FAULTS='ReadFile#2' ZELVAN_TRACE='" + trace.string() + "'",
                 "D");
    ASSERT_EQ(run.status, 0) << run.output;
    std::ostringstream expected;
    expected << "version 1 1998\n"
             << "free 1 " << figures.sectorsPerCluster << " " << figures.bytesPerSector << " "
             << figures.dataClusters - figures.usedClusters << " " << figures.dataClusters << "\n"
             // Windows 98 has no volume devices: the first read meets an invalid
             // handle, the second is refused by the plan before it looks.
             << "read 0 0 " << ERROR_INVALID_HANDLE << "\nread 0 0 " << ERROR_CRC << "\n"
             << "answer " << IDYES << "\n";
    EXPECT_EQ(run.output, expected.str());
    Bytes text = testsupport::ReadFile(trace);
    std::string lines(text.begin(), text.end());
    EXPECT_NE(lines.find("ReadFile(INVALID_HANDLE_VALUE, ptr, 512, ptr, NULL) = FALSE (ERROR_CRC, planned fault)"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("= IDYES (ZELVAN_ANSWER)"), std::string::npos) << lines;
}

TEST_F(JournalTest, EnvironmentFaultsAndTraceToStandardError) {
    testsupport::CommandResult run =
        RunProbe("ZELVAN_DRIVES='C=" + image.string() + "' ZELVAN_FAULTS='ReadFile#1' ZELVAN_TRACE=- ZELVAN_ANSWER=no", "C");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("read 0 0 " + std::to_string(ERROR_CRC) + "\nread 1 512 0\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("ReadFile(h1, ptr, 512, ptr, NULL) = FALSE (ERROR_CRC, planned fault)\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("answer " + std::to_string(IDNO)), std::string::npos);
}

TEST_F(JournalTest, BadEnvironmentStopsTheProgramNamingTheVariable) {
    struct Bad {
        const char* assignment;
        const char* message;
    };
    for (const Bad& bad : {Bad{"ZELVAN_DRIVES=C", "ZELVAN_DRIVES: drive entry 'C'"},
                           Bad{"ZELVAN_PLATFORM=99", "ZELVAN_PLATFORM: platform '99'"},
                           Bad{"ZELVAN_ANSWER=maybe", "ZELVAN_ANSWER: answer 'maybe'"},
                           Bad{"ZELVAN_FAULTS=ReadFile#one", "ZELVAN_FAULTS: call number in fault 'ReadFile#one' 'one'"},
                           Bad{"ZELVAN_TRACE=/nonexistent/dir/t", "ZELVAN_TRACE: trace file '/nonexistent/dir/t'"}}) {
        testsupport::CommandResult run = RunProbe(bad.assignment, "C");
        EXPECT_EQ(run.status, 2) << bad.assignment;
        // The program's own name, whichever program it is.
        EXPECT_NE(run.output.find(std::string("win32_probe: ") + bad.message), std::string::npos) << run.output;
    }
    const testsupport::Bytes before = testsupport::ReadFile(image);
    testsupport::CommandResult traced =
        RunProbe("ZELVAN_TRACE='" + image.string() + "' ZELVAN_DRIVES='C=" + image.string() + "'", "C");
    EXPECT_EQ(traced.status, 2);
    EXPECT_NE(traced.output.find("win32_probe: ZELVAN_DRIVES: drive C: '" + image.string() + "' is the trace file"),
              std::string::npos)
        << traced.output;
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));
}

} // namespace
} // namespace hostedtest
