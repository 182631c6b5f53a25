#include "win32/hosted/machine_state.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "win32/win_errors.h"

namespace hosted {

namespace {

// The environment is read once; text that does not parse stops the program
// here, naming the variable, since no caller could be told otherwise.
void Configure(Machine& machine, const char* variable, void (*apply)(Machine&, std::string_view)) {
    const char* text = std::getenv(variable);
    if (!text || !*text) return;
    try {
        apply(machine, text);
    } catch (const ConfigError& error) {
        std::fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, variable, error.what());
        std::exit(2);
    }
}

Machine FromEnvironment() {
    Machine machine;
    Configure(machine, "ZELVAN_TRACE", [](Machine& m, std::string_view text) { m.TraceTo(text); });
    Configure(machine, "ZELVAN_DRIVES", [](Machine& m, std::string_view text) {
        m.Map(ParseDrives(text));
    });
    Configure(machine, "ZELVAN_PLATFORM", [](Machine& m, std::string_view text) { m.identity = ParsePlatform(text); });
    Configure(machine, "ZELVAN_ANSWER", [](Machine& m, std::string_view text) { m.environmentAnswer = ParseAnswer(text); });
    Configure(machine, "ZELVAN_FAULTS", [](Machine& m, std::string_view text) { m.faults.Plan(text); });
    return machine;
}

std::atomic<bool>& Started() {
    static std::atomic<bool> started{false};
    return started;
}

Machine& TheMachine() {
    static Machine machine = [] {
        Machine configured = FromEnvironment();
        Started() = true;
        return configured;
    }();
    return machine;
}

std::mutex& TheMutex() {
    static std::mutex mutex;
    return mutex;
}

// Handles are multiples of four, as Windows gives them, so that 0, -1 and
// odd values are never open.
constexpr std::uintptr_t handleStep = 4;

} // namespace

MachineLock::MachineLock() : lock_(TheMutex()), machine_(TheMachine()) {}

bool MachineStarted() { return Started(); }

const DriveSpec* Machine::Drive(char letter) const {
    auto found = drives.find(letter);
    return found == drives.end() ? nullptr : &found->second;
}

void Machine::Map(std::vector<std::pair<char, DriveSpec>> mapped) {
    if (const UniqueFd& trace = journal.TraceFile(); trace.get() >= 0) {
        const std::optional<FileIdentity> traced = IdentityOfDescriptor(trace.get());
        for (const auto& [letter, drive] : mapped)
            if (traced && IdentityOfPath(drive.path) == traced) {
                // The trace began before the drive was named: what it wrote goes.
                journal.WithdrawTrace();
                throw ConfigError(std::string("drive ") + letter + ": '" + drive.path +
                                  "' is the trace file; the journal would be written into the drive (the trace "
                                  "stops, and its lines are taken back)");
            }
    }
    for (auto& [letter, drive] : mapped) {
        mounts.Forget(letter);
        drives.insert_or_assign(letter, std::move(drive));
    }
}

void Machine::TraceTo(std::string_view path) {
    if (!path.empty() && path != "-") {
        const std::optional<FileIdentity> file = IdentityOfPath(std::string(path));
        if (const std::optional<char> letter = file ? DriveBackedBy(*file) : std::nullopt)
            throw ConfigError("trace file '" + std::string(path) + "' is the backing of drive " + *letter +
                              ":; the journal would be written into the drive");
    }
    journal.TraceTo(path);
}

std::optional<char> Machine::DriveBackedBy(const FileIdentity& file) const {
    for (const auto& [letter, drive] : drives)
        if (IdentityOfPath(drive.path) == file) return letter;
    return std::nullopt;
}

HANDLE Machine::AddHandle(OpenObject object) {
    std::uintptr_t key = ++lastHandle;
    handles.emplace(key, std::move(object));
    return reinterpret_cast<HANDLE>(key * handleStep);
}

std::optional<std::uintptr_t> Machine::HandleKey(HANDLE handle) const {
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value == 0 || value % handleStep != 0) return std::nullopt;
    std::uintptr_t key = value / handleStep;
    if (!handles.count(key)) return std::nullopt;
    return key;
}

void Machine::Reset() {
    deviceLocks.clear();
    handles.clear();
    lastHandle = 0;
    drives.clear();
    identity = Identity{};
    answer.reset();
    messages.clear();
    lastMessage.reset();
    deviceRefusal.reset();
    mounts.Clear();
    shelf.Clear();
    journal.Keep(false);
    faults.Clear();
    errorMode = 0;
}

std::optional<DWORD> PlannedFault(Machine& machine, CallName name, std::optional<DWORD> code) {
    const std::size_t row = name.Row(code);
    ++machine.callsMade[row];
    const std::optional<DWORD> error = hostedCalls[row].plannedError;
    return error && !machine.faults.Empty() ? machine.faults.Strike(name.View(), code, *error) : std::nullopt;
}

DWORD& LastError() {
    thread_local DWORD error = ERROR_SUCCESS;
    return error;
}

std::optional<LCID>& ThreadLocale() {
    thread_local std::optional<LCID> locale;
    return locale;
}

void Call::Write(std::string_view result, std::string_view detail) {
    std::string line = head_ + " = " + std::string(result);
    if (!detail.empty()) line += " (" + std::string(detail) + ")";
    machine_.journal.Add(std::move(line));
    for (std::string& follower : following_) machine_.journal.Add(std::move(follower));
    following_.clear();
}

void Call::FinishFailed(std::string_view result, DWORD error) {
    LastError() = error;
    Finish(result, [&] { return win32::ErrorName(error) + (planned_ ? ", planned fault" : ""); });
}

} // namespace hosted
