// The state of the hosted PC, and the one way to reach it: a MachineLock,
// which also reads the environment on first use (a function-local static, so
// that calls made while other libraries initialise find it ready).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "win32/hosted/backing.h"
#include "win32/hosted/call_table.h"
#include "win32/hosted/config_text.h"
#include "win32/hosted/fault_plan.h"
#include "win32/hosted/hosted_pc.h"
#include "win32/hosted/identity.h"
#include "win32/hosted/journal.h"
#include "win32/hosted/media_shelf.h"
#include "win32/hosted/modules.h"
#include "win32/hosted/volume_mounts.h"
#include "win32/windows_versions.h"

namespace hosted {

// "\\.\X:" opened on an NT identity.
struct VolumeHandle {
    char letter;
    Backing medium; // holds a shared flock(2) while open, an exclusive one while locked
    DWORD access;
    DWORD share;
    std::uint64_t position = 0;
    bool locked = false;
    bool writeProtected = false; // opened for writing on a read-only drive or file
    bool dismounted = false;     // by FSCTL_DISMOUNT_VOLUME through this handle
};

// "\\.\vwin32" opened on a Windows 95/98 identity, with the media its
// requests have reached.
struct DeviceHandle {
    std::vector<HeldMedium> media;
};

using OpenObject = std::variant<VolumeHandle, DeviceHandle>;

// A logical-volume lock taken through the VWIN32 device: owned by the device
// handle that took it, at the levels it took in turn (0, or 1 then 2 then 3;
// a second 0 locks for formatting), with the permissions its level 1 lock
// gave, and held against other processes by an exclusive flock(2) on the
// medium.
struct DeviceLock {
    std::uintptr_t owner;
    std::vector<BYTE> levels;
    WORD permissions;
    Backing hold;
};

struct Machine {
    std::map<char, DriveSpec> drives;
    Identity identity;
    std::optional<int> answer;
    std::optional<int> environmentAnswer;
    std::vector<ShownMessage> messages; // while the journal is kept
    std::optional<ShownMessage> lastMessage;
    std::optional<DeviceRefusal> deviceRefusal;
    // The calls answered, by row of hostedCalls, and the requests that
    // reached each service of hostedServices, since the program started.
    std::array<std::uint64_t, noHostedCall> callsMade{};
    std::array<std::uint64_t, noHostedService> requestsMade{};
    VolumeMounts mounts;
    MediaShelf shelf;
    CallJournal journal;
    FaultPlan faults;
    std::map<std::uintptr_t, OpenObject> handles;
    std::uintptr_t lastHandle = 0;
    std::map<char, DeviceLock> deviceLocks;
    UINT errorMode = 0;
    // By module handle. Modules belong to the process, not to the machine's
    // configuration: Reset leaves them loaded.
    std::map<std::uintptr_t, ModuleRecord> modules;

    const DriveSpec* Drive(char letter) const;
    // Maps or replaces drives; throws ConfigError, mapping none, when the
    // backing of one is the trace file.
    void Map(std::vector<std::pair<char, DriveSpec>> drives);
    // Throws ConfigError when the trace file is a drive's backing.
    void TraceTo(std::string_view path);
    // The drive whose backing is `file`.
    std::optional<char> DriveBackedBy(const FileIdentity& file) const;
    HANDLE AddHandle(OpenObject object);
    // The handle's table key, if it is open.
    std::optional<std::uintptr_t> HandleKey(HANDLE handle) const;
    bool IsWindows95Family() const { return identity.platformId == VER_PLATFORM_WIN32_WINDOWS; }
    bool IsNt() const { return identity.platformId == VER_PLATFORM_WIN32_NT; }
    // Whether a mounted file system keeps raw writes out of its space (see WriteFile).
    bool GuardsMountedVolumes() const { return win32::GuardsMountedVolumes(identity.platformId, identity.buildNumber); }
    // Closes every handle and forgets what code configured.
    void Reset();
};

class MachineLock {
public:
    MachineLock();
    Machine& operator*() const { return machine_; }
    Machine* operator->() const { return &machine_; }

private:
    std::unique_lock<std::mutex> lock_;
    Machine& machine_;
};

// Whether the machine has read its environment, which the first lock does.
bool MachineStarted();

// The calling thread's last error, as GetLastError reads it.
DWORD& LastError();
// The locale the calling thread set with SetThreadLocale; none until it
// does, and meanwhile the thread has the user's.
std::optional<LCID>& ThreadLocale();

// The error the fault plan makes call `name` (with control code `code`)
// fail with, if it does; counts the call.
std::optional<DWORD> PlannedFault(Machine& machine, CallName name, std::optional<DWORD> code);

// Journal text made only when a line is wanted: a string, or a function
// that makes one.
template <class Text>
std::string JournalText(Text&& text) {
    if constexpr (std::is_invocable_v<Text>)
        return std::string(text());
    else
        return std::string(std::string_view(text));
}

// One journalled call, of its row in hostedCalls. The fault plan is
// consulted when it is made; the line is written by Finish, followed by any
// lines the call adds with Follow. Arguments, results and details may be
// given as functions, so that nothing is formatted when no line is wanted.
class Call {
public:
    template <class Args>
    Call(Machine& machine, CallName name, Args&& args, std::optional<DWORD> code = std::nullopt)
        : machine_(machine),
          journalled_(machine.journal.Wanted()),
          planned_(PlannedFault(machine, name, code)) {
        if (journalled_) head_ = std::string(name.View()) + "(" + JournalText(args) + ")";
    }
    // The fault plan makes this call fail, with PlannedError and no other effect.
    bool Planned() const { return planned_.has_value(); }
    DWORD PlannedError() const { return *planned_; }
    // Whether the call's line is wanted; lines it follows with need not be made otherwise.
    bool Journalled() const { return journalled_; }
    void Follow(std::string line) {
        if (journalled_) following_.push_back(std::move(line));
    }
    // "Name(args) = result", then " (detail)" or " (ERROR_X)" when failing with `error`.
    template <class Result, class Detail = std::string_view>
    void Finish(Result&& result, Detail&& detail = {}) {
        if (journalled_) Write(JournalText(result), JournalText(detail));
    }
    void FinishFailed(std::string_view result, DWORD error);
    BOOL Fail(DWORD error) {
        FinishFailed("FALSE", error);
        return FALSE;
    }
    template <class Detail = std::string_view>
    BOOL Succeed(Detail&& detail = {}) {
        Finish("TRUE", detail);
        return TRUE;
    }
    // Fails a call that returns a pointer or handle.
    std::nullptr_t FailNull(DWORD error) {
        FinishFailed("NULL", error);
        return nullptr;
    }

private:
    void Write(std::string_view result, std::string_view detail);

    Machine& machine_;
    bool journalled_;
    std::optional<DWORD> planned_;
    std::string head_;
    std::vector<std::string> following_;
};

} // namespace hosted
