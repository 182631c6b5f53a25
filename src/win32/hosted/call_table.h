// The calls of the hosted PC, one row each, as SQLite's operating-system
// layer keeps its system calls in one table: the name that the journal
// prints and the fault plan accepts, and what a planned fault of the call
// does. A call's code reaches its row through hosted::Call. The services
// of the VWIN32 device have a table of their own below, which the fault
// plan takes too.
//
// Adding a call is a row here and its code, which begins with
// `Call call(*machine, "Name", [&] { return args; })` (the arguments are
// formatted only when the journal wants the line) and, for a call that can fail,
// `if (call.Planned()) ... call.PlannedError() ...` before it looks at its
// arguments. A name without a row does not build.
#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <string_view>

#include "win32/service_status.h"
#include "win32/win_errors.h"
#include "win32/win32.h"

namespace hosted {

struct HostedCall {
    std::string_view name;
    // The error a planned fault of the call sets, with no other effect; none
    // when the fault plan cannot make the call fail.
    std::optional<DWORD> plannedError;
    // The row holds for this control code only. The fault plan takes a code
    // after the names of calls that have such rows: "DeviceIoControl:0x90018".
    std::optional<DWORD> code = std::nullopt;
};

// A call's rows for single codes come before its row for every other code.
inline constexpr HostedCall hostedCalls[] = {
    {"CreateFileA", ERROR_SHARING_VIOLATION},
    {"CloseHandle", ERROR_INVALID_HANDLE}, // the handle stays open
    {"ReadFile", ERROR_CRC},
    {"WriteFile", ERROR_WRITE_FAULT},
    {"SetFilePointer", ERROR_SEEK},
    {"DeviceIoControl", ERROR_ACCESS_DENIED, FSCTL_LOCK_VOLUME},
    {"DeviceIoControl", ERROR_NOT_LOCKED, FSCTL_UNLOCK_VOLUME},
    {"DeviceIoControl", ERROR_GEN_FAILURE}, // a VWIN32 request then runs no service
    {"GetDriveTypeA", ERROR_GEN_FAILURE},   // and returns DRIVE_UNKNOWN
    {"GetDiskFreeSpaceA", ERROR_NOT_READY},
    {"GetVersionExA", ERROR_INVALID_PARAMETER},
    {"SetErrorMode", std::nullopt},
    {"MessageBoxA", ERROR_NOT_ENOUGH_MEMORY}, // and returns 0
    {"LoadLibraryA", ERROR_MOD_NOT_FOUND},
    {"LoadLibraryExA", ERROR_MOD_NOT_FOUND},
    {"FreeLibrary", ERROR_INVALID_HANDLE}, // the module stays loaded
    {"GetProcAddress", ERROR_PROC_NOT_FOUND},
    {"GetModuleFileNameA", ERROR_MOD_NOT_FOUND},
    {"GetModuleHandleA", ERROR_MOD_NOT_FOUND},
    {"GetModuleHandleExA", ERROR_MOD_NOT_FOUND},
    {"FindResourceA", ERROR_RESOURCE_NAME_NOT_FOUND},
    {"LoadResource", ERROR_INVALID_HANDLE},
    {"SizeofResource", ERROR_INVALID_HANDLE},
    {"LockResource", ERROR_INVALID_HANDLE},
};

inline constexpr std::size_t noHostedCall = std::size(hostedCalls);

static_assert([] {
    for (const HostedCall& call : hostedCalls)
        if (call.plannedError && !win32::IsNamedError(*call.plannedError)) return false;
    return true;
}(), "a planned fault sets an error with its row in win32Errors");

// The index of call `name`'s row for control code `code`; noHostedCall when
// it has none.
constexpr std::size_t HostedCallIndex(std::string_view name, std::optional<DWORD> code = std::nullopt) {
    for (std::size_t i = 0; i < std::size(hostedCalls); ++i)
        if (hostedCalls[i].name == name && (!hostedCalls[i].code || hostedCalls[i].code == code)) return i;
    return noHostedCall;
}

// The row of call `name` for control code `code`; nullptr when it has none.
inline const HostedCall* FindHostedCall(std::string_view name, std::optional<DWORD> code = std::nullopt) {
    const std::size_t index = HostedCallIndex(name, code);
    return index == noHostedCall ? nullptr : &hostedCalls[index];
}

// Whether the fault plan takes a control code after `name`.
constexpr bool TakesControlCode(std::string_view name) {
    for (const HostedCall& call : hostedCalls)
        if (call.name == name && call.code) return true;
    return false;
}

// The DOS and BIOS services that the VWIN32 device carries out, one row per
// control code: the name the journal prints after "VWIN32 " and the fault
// plan accepts, and the status a planned fault answers with (carry set).
struct HostedService {
    std::string_view name;
    DWORD controlCode;
    // The status travels in AH alone (the BIOS), else in AX (DOS).
    bool statusInAh;
    WORD plannedStatus;
};

inline constexpr HostedService hostedServices[] = {
    {"INT21-440D", VWIN32_DIOC_DOS_IOCTL, false, win32::DosError("ERROR_ACCESS_DENIED")},
    {"INT25", VWIN32_DIOC_DOS_INT25, false, win32::AbsoluteDiskStatus("CRC_ERROR", "READ_FAULT")},
    {"INT26", VWIN32_DIOC_DOS_INT26, false, win32::AbsoluteDiskStatus("CONTROLLER_FAILURE", "WRITE_FAULT")},
    {"INT13", VWIN32_DIOC_DOS_INT13, true, win32::BiosStatus("TIMEOUT")},
    {"INT21-7305", VWIN32_DIOC_DOS_DRIVEINFO, false, win32::DosError("ERROR_GEN_FAILURE")},
};

inline constexpr std::size_t noHostedService = std::size(hostedServices);

// The index of the row of the service that control code `code` reaches;
// noHostedService when none does.
constexpr std::size_t ServiceIndexOfCode(DWORD code) {
    for (std::size_t i = 0; i < std::size(hostedServices); ++i)
        if (hostedServices[i].controlCode == code) return i;
    return noHostedService;
}

// The row of the service that control code `code` reaches; nullptr when none does.
inline const HostedService* ServiceOfCode(DWORD code) {
    const std::size_t index = ServiceIndexOfCode(code);
    return index == noHostedService ? nullptr : &hostedServices[index];
}

// The row of the service named `name`; nullptr when there is none.
inline const HostedService* FindHostedService(std::string_view name) {
    for (const HostedService& service : hostedServices)
        if (service.name == name) return &service;
    return nullptr;
}

// The largest status a service answers with.
constexpr DWORD MaxStatus(const HostedService& service) { return service.statusInAh ? 0xFF : 0xFFFF; }

// A call's name, checked against the table when the code is compiled.
class CallName {
public:
    consteval CallName(const char* name) : name_(name) {
        while (row_ < noHostedCall && hostedCalls[row_].name != name_) ++row_;
        if (row_ == noHostedCall) throw "a hosted call needs its row in hostedCalls";
        std::size_t last = row_;
        while (hostedCalls[last].code)
            if (++last == noHostedCall || hostedCalls[last].name != name_)
                throw "a hosted call's rows end with its row for every other code";
    }
    std::string_view View() const { return name_; }
    // The row for control code `code`, found without comparing names: the
    // call's first row is known when the program is built, and its rows end
    // with one for every code.
    std::size_t Row(std::optional<DWORD> code) const {
        std::size_t row = row_;
        while (hostedCalls[row].code && hostedCalls[row].code != code) ++row;
        return row;
    }

private:
    std::string_view name_;
    std::size_t row_ = 0;
};

} // namespace hosted
