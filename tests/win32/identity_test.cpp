// The platform identity, the error mode and the message box.
#include <sys/wait.h>
#include <unistd.h>

#include "hosted_fixture.h"

namespace hostedtest {
namespace {

class IdentityTest : public HostedTest {
protected:
    OSVERSIONINFOA Version() {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        EXPECT_TRUE(GetVersionExA(&info));
        return info;
    }
};

TEST_F(IdentityTest, NtIsTheDefault) {
    OSVERSIONINFOA info = Version();
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.dwBuildNumber, 1381u);
    EXPECT_EQ(info.dwMajorVersion, 4u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
}

TEST_F(IdentityTest, NamedPlatformsReportTheirVersions) {
    struct Expected {
        const char* name;
        DWORD platform, build, major, minor;
    };
    for (const Expected& e : {Expected{"nt", 2, 1381, 4, 0}, Expected{"95", 1, 950, 4, 0}, Expected{"98", 1, 1998, 4, 10},
                              Expected{"1:1111", 1, 1111, 4, 0}, Expected{"2:2195", 2, 2195, 5, 0},
                              Expected{"2:3790", 2, 3790, 5, 2}, Expected{"2:6002", 2, 6002, 6, 0},
                              Expected{"2:7601", 2, 7601, 6, 1}, Expected{"2:9600", 2, 9600, 6, 3},
                              Expected{"10", 2, 19045, 10, 0}, Expected{"current", 2, 19045, 10, 0}}) {
        hosted::SetPlatform(e.name);
        OSVERSIONINFOA info = Version();
        EXPECT_EQ(info.dwPlatformId, e.platform) << e.name;
        EXPECT_EQ(info.dwBuildNumber & 0xFFFF, e.build) << e.name;
        EXPECT_EQ(info.dwMajorVersion, e.major) << e.name;
        EXPECT_EQ(info.dwMinorVersion, e.minor) << e.name;
        // Windows 95/98 put the version in the high word of the build number.
        if (e.platform == VER_PLATFORM_WIN32_WINDOWS) {
            EXPECT_EQ(info.dwBuildNumber >> 16, (e.major << 8) | e.minor);
        }
    }
}

// OSVERSIONINFOEXA from NT 4.0 SP6 on; another size is refused, on NT as a
// buffer too small, on Windows 95/98 without a word.
TEST_F(IdentityTest, EachWindowsTakesItsStructureSizes) {
    struct Case {
        const char* platform;
        DWORD size;
        DWORD error; // ERROR_SUCCESS: taken
    };
    for (const Case& c : {Case{"nt", 156, ERROR_SUCCESS}, Case{"10", 156, ERROR_SUCCESS}, Case{"2:1057", 156, ERROR_INSUFFICIENT_BUFFER},
                          Case{"nt", 20, ERROR_INSUFFICIENT_BUFFER}, Case{"95", 156, ERROR_GEN_FAILURE},
                          Case{"98", 20, ERROR_GEN_FAILURE}}) {
        hosted::SetPlatform(c.platform);
        OSVERSIONINFOEXA info{};
        info.dwOSVersionInfoSize = c.size;
        info.dwPlatformId = 77;
        SetLastError(ERROR_GEN_FAILURE);
        EXPECT_EQ(GetVersionExA(&info), c.error == ERROR_SUCCESS) << c.platform << " " << c.size;
        if (c.error != ERROR_SUCCESS) {
            EXPECT_EQ(GetLastError(), c.error) << c.platform << " " << c.size;
            EXPECT_EQ(info.dwPlatformId, 77u) << c.platform << " " << c.size;
        }
    }
    EXPECT_FALSE(GetVersionExA(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(IdentityTest, ErrorModeReturnsThePreviousMode) {
    EXPECT_EQ(SetErrorMode(SEM_FAILCRITICALERRORS), 0u);
    EXPECT_EQ(SetErrorMode(SEM_NOALIGNMENTFAULTEXCEPT), SEM_FAILCRITICALERRORS);
    EXPECT_EQ(hosted::ErrorMode(), SEM_NOALIGNMENTFAULTEXCEPT);
    hosted::ResetMachine();
    EXPECT_EQ(hosted::ErrorMode(), 0u);
}

TEST_F(IdentityTest, LastErrorBelongsToTheThread) {
    SetLastError(ERROR_CRC);
    EXPECT_EQ(GetLastError(), ERROR_CRC);
}

TEST_F(IdentityTest, MessageBoxTakesTheAnswerFromCodeAndRecordsIt) {
    hosted::SetAnswer(IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Write?\rReally", "Attention", MB_YESNO | MB_ICONEXCLAMATION), IDYES);
    hosted::SetAnswer(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Again?", "Attention", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Done", nullptr, MB_OK), IDOK);
    std::vector<hosted::ShownMessage> shown = hosted::ShownMessages();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "Write?\rReally");
    EXPECT_EQ(shown[0].caption, "Attention");
    EXPECT_EQ(shown[0].style, UINT{0x34});
    EXPECT_EQ(shown[2].caption, "");
    EXPECT_EQ(shown[0].answer, IDYES);
    EXPECT_EQ(shown[1].answer, IDNO);
    EXPECT_EQ(shown[2].answer, IDOK);
    hosted::ClearJournal();
    EXPECT_TRUE(hosted::ShownMessages().empty());
}

TEST_F(IdentityTest, MessageBoxWithoutAnyAnswerOrTerminalSaysNo) {
    pid_t child = ::fork();
    if (child == 0) {
        ::setsid(); // no controlling terminal from here on
        hosted::SetAnswer(std::nullopt);
        ::_exit(MessageBoxA(nullptr, "Write?", "Attention", MB_YESNO));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), IDNO);
}

TEST_F(IdentityTest, OtherButtonSetsAreNotModelled) {
    EXPECT_EQ(MessageBoxA(nullptr, "?", "?", 0x1), 0);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(hosted::ShownMessages().empty());
}

} // namespace
} // namespace hostedtest
