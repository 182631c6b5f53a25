// Identity, error mode, last error, the thread's locale and the drive
// queries of kernel32.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "win32/hosted/drive_media.h"
#include "win32/hosted/machine_state.h"
#include "win32/hosted/paths.h"
#include "win32/locales.h"
#include "win32/windows_versions.h"

namespace hosted {
namespace {

struct OsVersion {
    DWORD major;
    DWORD minor;
    const char* servicePack;
    WORD servicePackMajor = 0;
};

// The version numbers the real systems of each platform report (to a
// program whose manifest names every one of them).
OsVersion VersionOf(const Identity& identity) {
    DWORD build = identity.buildNumber;
    switch (identity.platformId) {
    case VER_PLATFORM_WIN32_NT:
        if (build < 1381) return {3, 51, ""};
        if (build == 1381) return {4, 0, "Service Pack 6", 6};
        if (build < 2195) return {4, 0, ""};
        if (build < 2600) return {5, 0, ""};
        if (build < 3790) return {5, 1, ""};
        if (build < win32::firstVistaBuild) return {5, 2, ""};
        if (build < 7600) return {6, 0, ""};
        if (build < 9200) return {6, 1, ""};
        if (build < 9600) return {6, 2, ""};
        if (build < 10240) return {6, 3, ""};
        return {10, 0, ""};
    case VER_PLATFORM_WIN32_WINDOWS:
        if (build < 1998) return {4, 0, ""};
        if (build < 3000) return {4, 10, ""};
        return {4, 90, ""};
    default:
        return {3, 10, ""};
    }
}

const char* DriveTypeName(UINT type) {
    switch (type) {
    case DRIVE_REMOVABLE: return "DRIVE_REMOVABLE";
    case DRIVE_FIXED: return "DRIVE_FIXED";
    case DRIVE_NO_ROOT_DIR: return "DRIVE_NO_ROOT_DIR";
    default: return "DRIVE_UNKNOWN";
    }
}

} // namespace
} // namespace hosted

DWORD WINAPI GetLastError() { return hosted::LastError(); }

void WINAPI SetLastError(DWORD dwErrCode) { hosted::LastError() = dwErrCode; }

// A thread has the user's locale until it sets one: on this machine the
// POSIX locale of messages in the environment, and English (United States)
// where that names no language Windows knows, as Wine takes it.
LCID WINAPI GetThreadLocale() {
    if (const std::optional<LCID>& set = hosted::ThreadLocale()) return *set;
    constexpr LANGID unitedStates = 0x0409;
    const win32::Locale* user = win32::LocaleOfPosixName(win32::MessagesLocale());
    return MAKELCID(user ? user->id : unitedStates, SORT_DEFAULT);
}

// Windows takes a locale it has installed only.
BOOL WINAPI SetThreadLocale(LCID Locale) {
    const bool known = std::any_of(std::begin(win32::locales), std::end(win32::locales),
                                   [&](const win32::Locale& locale) { return MAKELCID(locale.id, SORT_DEFAULT) == Locale; });
    if (!known) {
        hosted::LastError() = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    hosted::ThreadLocale() = Locale;
    return TRUE;
}

UINT WINAPI SetErrorMode(UINT uMode) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "SetErrorMode", [&] { return hosted::HexArg(uMode); });
    UINT previous = machine->errorMode;
    machine->errorMode = uMode;
    call.Finish([&] { return hosted::HexArg(previous); });
    return previous;
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "GetVersionExA", [&] { return hosted::PointerArg(lpVersionInformation); });
    if (call.Planned()) return call.Fail(call.PlannedError());
    if (!lpVersionInformation) return call.Fail(ERROR_INVALID_PARAMETER);
    const hosted::Identity& identity = machine->identity;
    hosted::OsVersion version = hosted::VersionOf(identity);
    // OSVERSIONINFOA, and from NT 4.0 SP6 on OSVERSIONINFOEXA too. NT says
    // that the buffer is too small for any other size; Windows 95/98 fail
    // without a word.
    const DWORD size = lpVersionInformation->dwOSVersionInfoSize;
    const bool extended = size == sizeof(OSVERSIONINFOEXA) && machine->IsNt() &&
                          (version.major > 4 || version.servicePackMajor >= 6);
    if (size != sizeof(OSVERSIONINFOA) && !extended) {
        if (machine->IsNt()) return call.Fail(ERROR_INSUFFICIENT_BUFFER);
        call.Finish("FALSE", "a structure of another size");
        return FALSE;
    }
    OSVERSIONINFOA& info = *lpVersionInformation;
    info.dwMajorVersion = version.major;
    info.dwMinorVersion = version.minor;
    // Windows 95/98 carry the version in the high word of the build number.
    info.dwBuildNumber = identity.platformId == VER_PLATFORM_WIN32_WINDOWS && identity.buildNumber <= 0xFFFF
                             ? (version.major << 24) | (version.minor << 16) | identity.buildNumber
                             : identity.buildNumber;
    info.dwPlatformId = identity.platformId;
    std::memset(info.szCSDVersion, 0, sizeof info.szCSDVersion);
    std::strncpy(info.szCSDVersion, version.servicePack, sizeof info.szCSDVersion - 1);
    if (extended) {
        auto& more = static_cast<OSVERSIONINFOEXA&>(info);
        more.wServicePackMajor = version.servicePackMajor;
        more.wServicePackMinor = 0;
        more.wSuiteMask = 0;
        more.wProductType = VER_NT_WORKSTATION;
        more.wReserved = 0;
    }
    return call.Succeed([&] {
        char detail[80];
        std::snprintf(detail, sizeof detail, "platform %u, version %u.%u, build %u", unsigned(identity.platformId),
                      unsigned(version.major), unsigned(version.minor), unsigned(identity.buildNumber));
        return std::string(detail);
    });
}

UINT WINAPI GetDriveTypeA(LPCSTR lpRootPathName) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "GetDriveTypeA", [&] { return hosted::TextArg(lpRootPathName); });
    if (call.Planned()) {
        call.FinishFailed(hosted::DriveTypeName(DRIVE_UNKNOWN), call.PlannedError());
        return DRIVE_UNKNOWN;
    }
    std::optional<char> letter = hosted::RootPathLetter(lpRootPathName);
    const hosted::DriveSpec* drive = letter ? machine->Drive(*letter) : nullptr;
    UINT type = !drive                                         ? DRIVE_NO_ROOT_DIR
                : drive->kind == hosted::DriveKind::Removable ? DRIVE_REMOVABLE
                                                               : DRIVE_FIXED;
    call.Finish(hosted::DriveTypeName(type));
    return type;
}

BOOL WINAPI GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster, LPDWORD lpBytesPerSector,
                              LPDWORD lpNumberOfFreeClusters, LPDWORD lpTotalNumberOfClusters) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "GetDiskFreeSpaceA", [&] {
        return hosted::ArgList({hosted::TextArg(lpRootPathName), hosted::PointerArg(lpSectorsPerCluster),
                                hosted::PointerArg(lpBytesPerSector), hosted::PointerArg(lpNumberOfFreeClusters),
                                hosted::PointerArg(lpTotalNumberOfClusters)});
    });
    if (call.Planned()) return call.Fail(call.PlannedError());
    std::optional<char> letter = hosted::RootPathLetter(lpRootPathName);
    if (!letter) return call.Fail(ERROR_INVALID_NAME);
    const hosted::DriveSpec* drive = machine->Drive(*letter);
    if (!drive) return call.Fail(ERROR_PATH_NOT_FOUND);
    // The medium stays with the drive for the calls that follow, as a disk does.
    hosted::Result<hosted::Backing> medium = machine->shelf.Take(*letter, *drive, false);
    if (!medium) return call.Fail(ERROR_NOT_READY);
    const hosted::Result<hosted::MountedVolume> volume = machine->mounts.Measure(*letter, *medium, machine->IsNt());
    machine->shelf.Keep(*letter, drive->path, std::move(*medium));
    if (!volume) return call.Fail(volume.Error());
    // Null out-pointers are skipped rather than written through.
    if (lpSectorsPerCluster) *lpSectorsPerCluster = volume->sectorsPerCluster;
    if (lpBytesPerSector) *lpBytesPerSector = volume->bytesPerSector;
    if (lpNumberOfFreeClusters) *lpNumberOfFreeClusters = volume->freeClusters;
    if (lpTotalNumberOfClusters) *lpTotalNumberOfClusters = volume->totalClusters;
    return call.Succeed([&] {
        char detail[80];
        std::snprintf(detail, sizeof detail, "%u, %u, %u, %u", volume->sectorsPerCluster, volume->bytesPerSector,
                      unsigned(volume->freeClusters), unsigned(volume->totalClusters));
        return std::string(detail);
    });
}
