// The state of the hosted PC, and the one way to reach it: a MachineLock,
// which also reads the environment on first use (a function-local static, so
// that calls made while other libraries initialise find it ready).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "win32/hosted/backing.h"
#include "win32/hosted/call_table.h"
#include "win32/hosted/config_text.h"
#include "win32/hosted/fault_plan.h"
#include "win32/hosted/hosted_pc.h"
#include "win32/hosted/journal.h"

namespace hosted {

// "\\.\X:" opened on an NT identity.
struct VolumeHandle {
    char letter;
    Backing medium; // holds a shared flock(2) while open, an exclusive one while locked
    DWORD access;
    DWORD share;
    std::uint64_t position = 0;
    bool locked = false;
};

// "\\.\vwin32" opened on a Windows 95/98 identity.
struct DeviceHandle {};

using OpenObject = std::variant<VolumeHandle, DeviceHandle>;

// A logical-volume lock taken through the VWIN32 device: counted, owned by
// the device handle that took it, and held against other processes by an
// exclusive flock(2) on the medium.
struct DeviceLock {
    std::uintptr_t owner;
    unsigned count;
    Backing hold;
};

struct Machine {
    std::map<char, DriveSpec> drives;
    Identity identity;
    std::optional<int> answer;
    std::optional<int> environmentAnswer;
    std::vector<ShownMessage> messages;
    CallJournal journal;
    FaultPlan faults;
    std::map<std::uintptr_t, OpenObject> handles;
    std::uintptr_t lastHandle = 0;
    std::map<char, DeviceLock> deviceLocks;
    UINT errorMode = 0;

    const DriveSpec* Drive(char letter) const;
    HANDLE AddHandle(OpenObject object);
    // The handle's table key, if it is open.
    std::optional<std::uintptr_t> HandleKey(HANDLE handle) const;
    bool IsWindows95Family() const { return identity.platformId == VER_PLATFORM_WIN32_WINDOWS; }
    bool IsNt() const { return identity.platformId == VER_PLATFORM_WIN32_NT; }
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

// The calling thread's last error, as GetLastError reads it.
DWORD& LastError();

// One journalled call, of its row in hostedCalls. The fault plan is
// consulted when it is made; the line is written by Finish, followed by any
// lines the call adds with Follow.
class Call {
public:
    Call(Machine& machine, CallName name, std::string args, std::optional<DWORD> code = std::nullopt);
    // The fault plan makes this call fail, with PlannedError and no other effect.
    bool Planned() const { return planned_; }
    DWORD PlannedError() const { return *row_.plannedError; }
    void Follow(std::string line) { following_.push_back(std::move(line)); }
    // "Name(args) = result", then " (detail)" or " (ERROR_X)" when failing with `error`.
    void Finish(std::string_view result, std::string_view detail = {});
    void FinishFailed(std::string_view result, DWORD error);
    BOOL Fail(DWORD error) {
        FinishFailed("FALSE", error);
        return FALSE;
    }
    BOOL Succeed(std::string_view detail = {}) {
        Finish("TRUE", detail);
        return TRUE;
    }

private:
    Machine& machine_;
    const HostedCall& row_;
    std::string head_;
    bool planned_;
    std::vector<std::string> following_;
};

} // namespace hosted
