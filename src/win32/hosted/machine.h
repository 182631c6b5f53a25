// The hosted PC: how a program or a test sets up the machine that the Win32
// calls of win32.h act on, and how it reads back what they did.
//
// The environment (ZELVAN_DRIVES, ZELVAN_PLATFORM, ZELVAN_ANSWER, ZELVAN_TRACE,
// ZELVAN_FAULTS) is read once, on the first call into the machine. Calls from
// code made afterwards add to or replace what the environment said.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "win32/win32.h"

namespace hosted {

enum class DriveKind { Fixed, Removable };

struct DriveSpec {
    std::string path;              // a disk image or a block device
    DriveKind kind = DriveKind::Fixed;
    bool readOnly = false;
};

// Bad configuration text or arguments: the message names the input.
class ConfigError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Drives. A letter is 'A'..'Z' (lower case is folded); anything else throws.
// The backing is opened when a handle or a service needs it, so a file that
// vanishes later gives the Windows error at that point, not here.
void MapDrive(char letter, DriveSpec spec);
void UnmapDrive(char letter);
void ClearDrives();
// "A=floppy.img:removable;C=disk.img;D=/dev/sdb1:ro", as ZELVAN_DRIVES.
void MapDrives(std::string_view text);

// Identity reported by GetVersionExA: "nt" (2, 1381), "95" (1, 950),
// "98" (1, 1998) or "P:B", as ZELVAN_PLATFORM.
void SetPlatform(DWORD platformId, DWORD buildNumber);
void SetPlatform(std::string_view text);

// The answer every MessageBoxA gives (IDYES or IDNO). std::nullopt returns
// to ZELVAN_ANSWER, then the terminal prompt, then IDNO.
void SetAnswer(std::optional<int> answer);
// The text and caption of every MessageBoxA since the last ClearJournal.
struct ShownMessage {
    std::string text;
    std::string caption;
    UINT style;
};
std::vector<ShownMessage> ShownMessages();

// The journal: one line per call, "Name(arg, arg, ...) = result".
// Handles print as h1, h2, ...; INVALID_HANDLE_VALUE as INVALID_HANDLE_VALUE;
// null pointers as NULL, other pointers as ptr; codes and masks in hex
// (0x90018), counts and offsets in decimal; strings in double quotes.
// A request to the VWIN32 device adds a line of its own after the
// DeviceIoControl line, naming the service and every register as sent and as
// returned, e.g.
//   VWIN32 INT25 in(EAX=0x00000002 EBX=0x... ECX=0x0000FFFF EDX=... EDI=... ESI=... Flags=0x00000001) out(... Flags=0x00000000)
// and a transfer request adds the DISKIO packet as sent, in hex bytes.
std::vector<std::string> Journal();
void ClearJournal();
// Lines of the journal whose call name is `name` (the text before '(').
std::vector<std::string> JournalOf(std::string_view name);
// Also append every line to a file ("-" for standard error), as ZELVAN_TRACE.
void TraceTo(std::string_view path);

// The fault plan. `call` is a call name, optionally qualified by its control
// code: "ReadFile", "DeviceIoControl:0x90018". `ordinals` counts the calls of
// that name (with that code) from 1 since the plan was set. A planned call
// fails with a plausible Windows error and has no other effect.
void FailCall(std::string_view call, std::vector<unsigned> ordinals);
// "ReadFile#1,2;DeviceIoControl:0x90018#1", as ZELVAN_FAULTS.
void PlanFaults(std::string_view text);
void ClearFaults();

// Closes every handle, forgets the drives, faults, answer and journal, and
// returns the identity and error mode to their defaults. The environment is
// not read again.
void ResetMachine();

// The process-wide error mode, as SetErrorMode last set it.
UINT ErrorMode();
// How many handles are open now.
std::size_t OpenHandleCount();

} // namespace hosted
