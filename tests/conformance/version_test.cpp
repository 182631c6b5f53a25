// GetVersionExA: the Windows the machine reports, with the version numbers
// Windows has for its build, and the sizes of the structure it takes.
#include <cstring>

#include "conformance.h"

namespace conformance {
namespace {

class Win32Version : public Win32Test {};

struct Version {
    DWORD major, minor;
};

// The version of each Windows the stage and the hosted PC report, by build.
Version VersionOfBuild(DWORD platformId, DWORD build) {
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) return build < 1998 ? Version{4, 0} : Version{4, 10};
    if (build == 1381) return {4, 0};
    if (build == 9200) return {6, 2};
    return {0, 0};
}

TEST_F(Win32Version, TheReportedWindowsHasTheVersionOfItsBuild) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    const Reported reported = ReportedWindows();
    const Version version = VersionOfBuild(reported.platformId, reported.buildNumber);
    EXPECT_EQ(info.dwPlatformId, reported.platformId);
    EXPECT_EQ(info.dwBuildNumber & 0xFFFF, reported.buildNumber);
    EXPECT_EQ(info.dwMajorVersion, version.major);
    EXPECT_EQ(info.dwMinorVersion, version.minor);
    // Windows 95/98 carry the version in the high word of the build number.
    if (reported.platformId == VER_PLATFORM_WIN32_WINDOWS) {
        EXPECT_EQ(info.dwBuildNumber >> 16, version.major << 8 | version.minor);
    }
    EXPECT_NE(std::memchr(info.szCSDVersion, 0, sizeof info.szCSDVersion), nullptr) << "the service pack text ends";
}

// NT says the buffer is too small; Windows 95/98 fail without a word.
TEST_F(Win32Version, AStructureOfAnotherSizeIsRefusedAndLeftAsItWas) {
    const bool nt = ReportedWindows().platformId == VER_PLATFORM_WIN32_NT;
    for (const DWORD size : {0u, 20u, 147u, 149u}) {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = size;
        info.dwPlatformId = 77;
        SetLastError(ERROR_GEN_FAILURE);
        EXPECT_FALSE(GetVersionExA(&info)) << size;
        EXPECT_EQ(GetLastError(), nt ? DWORD{ERROR_INSUFFICIENT_BUFFER} : DWORD{ERROR_GEN_FAILURE}) << size;
        EXPECT_EQ(info.dwPlatformId, 77u) << size;
    }
}

// From NT 4.0 SP6 on, with the service pack and the product type.
TEST_F(Win32Version, NtTakesTheExtendedStructureToo) {
    const Reported reported = ReportedWindows();
    if (reported.platformId != VER_PLATFORM_WIN32_NT) GTEST_SKIP() << "Windows 95/98 take OSVERSIONINFOA only";
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)));
    EXPECT_EQ(info.dwPlatformId, reported.platformId);
    EXPECT_EQ(info.dwBuildNumber, reported.buildNumber);
    EXPECT_EQ(info.wServicePackMajor, reported.buildNumber == 1381 ? 6 : 0);
    EXPECT_EQ(info.wProductType, VER_NT_WORKSTATION);
}

} // namespace
} // namespace conformance
