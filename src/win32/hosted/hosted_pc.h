// The hosted PC: how a program or a test sets up the machine that the Win32
// calls of win32.h act on, and how it reads back what they did.
//
// The environment (ZELVAN_DRIVES, ZELVAN_PLATFORM, ZELVAN_ANSWER, ZELVAN_TRACE,
// ZELVAN_FAULTS) is read once, on the first call into the machine. Calls from
// code made afterwards add to or replace what the environment said. Text in
// the environment that does not parse stops the program with exit status 2
// and a message on standard error naming the program, the variable and the
// bad part ("zelvan: ZELVAN_DRIVES: drive entry 'C' is not ..."); the same
// text passed from code throws ConfigError instead. A trace file that is a
// drive's backing is refused, whichever of the two is set first; when the
// trace came first, it stops, and the lines it appended are taken back.
//
// The machine behaves as the configured Windows does; each rule is said
// where the machine carries it out: CreateFileA, SetFilePointer, ReadFile,
// WriteFile and the volume locks in volume_api.cpp, the drive queries and
// GetVersionExA in system_api.cpp, the DOS and BIOS services of the VWIN32
// device in dos_services.cpp and int13.cpp, the media a drive keeps open in
// media_shelf.h, and the modules and their resources in module_api.cpp and
// resource_api.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "win32/hosted/medium_window.h"
#include "win32/win32.h"

namespace hosted {

enum class DriveKind { Fixed, Removable };

struct DriveSpec {
    DriveSpec() = default;
    DriveSpec(std::string path, DriveKind kind = DriveKind::Fixed, bool readOnly = false, MediumWindow window = {})
        : path(std::move(path)), kind(kind), readOnly(readOnly), window(window) {}

    std::string path;              // a disk image or a block device
    DriveKind kind = DriveKind::Fixed;
    bool readOnly = false;
    MediumWindow window;           // the part of it that is the drive's
};

// Bad configuration text or arguments: the message names the input.
class ConfigError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Drives. A letter is 'A'..'Z' (lower case is folded); anything else throws.
// The backing is opened when a handle or a service needs it, so a file that
// vanishes later gives the Windows error at that point, not here. Mapping a
// letter again replaces its drive.
void MapDrive(char letter, DriveSpec drive);
void UnmapDrive(char letter);
void ClearDrives();
// "A=floppy.img:removable;C=disk.img;D=/dev/sdb1:ro", as ZELVAN_DRIVES. Each
// entry is LETTER=PATH and then flags, each after a ':': removable or fixed
// (not both), ro, and offset=BYTES and size=BYTES, which make the drive the
// part of the medium from that byte on, that long (a partition; whole 512-byte
// sectors, in decimal or 0x-hexadecimal). A word of letters, alone or before
// '=', after the path's last ':' is taken for a flag, so an unknown one is
// refused rather than read as part of the path; a letter given twice, a flag
// given twice, and blanks around a path or a flag are refused too.
void MapDrives(std::string_view text);

// What the machine finds behind a mapped drive, for a program that explains
// why a drive cannot be used. nullopt when the letter is not mapped.
struct DriveInspection {
    std::string path;
    bool readOnly = false;
    std::optional<std::uint64_t> bytes; // the medium's size, when it opens
    unsigned sectorBytes = 0;           // the device's sector size, when it opens
    MediumWindow window;                // the part of the medium that is the drive's
    std::vector<std::uint8_t> start;    // its first 512 bytes, when they can be read
    // Empty when the medium holds a volume the machine mounts (FAT; on NT
    // also NTFS and exFAT); otherwise what is wrong with it, to follow its
    // name: "does not exist", "is a FIFO, not a disk image or block device",
    // "is empty", "holds no FAT boot sector: sectors per cluster is 3, not a
    // power of two from 1 to 128", "holds an NTFS file system, which Windows
    // 95/98 does not recognise".
    std::string problem;
};
std::optional<DriveInspection> InspectDrive(char letter);
// The letter of the mapped drive whose backing is the file `path` names
// (the same device and inode, whatever the spelling or links).
std::optional<char> DriveBackedBy(const std::string& path);
// What makes the file `path` no module that LoadLibraryA would take
// (ERROR_BAD_EXE_FORMAT), for a program that explains the refusal: "program
// header 3's segment overlaps the one before it, or comes before it".
// nullopt when it is a well-formed module, or cannot be read at all.
std::optional<std::string> ModuleFileFault(const std::string& path);
// The file of the module loaded in this process (the program, a module it
// linked or loaded, or a file mapped as data) that `path` names, in the
// same way; nullopt when it names none.
std::optional<std::string> LoadedModuleFile(const std::string& path);

// Identity reported by GetVersionExA: "nt" (2, 1381), "95" (1, 950),
// "98" (1, 1998), "10" or "current" (2, 19045: Windows 10 22H2) or "P:B", as
// ZELVAN_PLATFORM.
void SetPlatform(DWORD platformId, DWORD buildNumber);
void SetPlatform(std::string_view text);

// The answer every MB_YESNO MessageBoxA gives (IDYES or IDNO). std::nullopt
// returns to ZELVAN_ANSWER, then a Yes/No prompt on /dev/tty showing caption
// and text, where an empty line is No, then (no terminal) IDNO. MB_OK boxes
// give IDOK; other button sets are not modelled and fail with
// ERROR_NOT_SUPPORTED.
void SetAnswer(std::optional<int> answer);
// Who answers an MB_YESNO MessageBoxA, in that order: the answer set by
// SetAnswer, ZELVAN_ANSWER, a person at the controlling terminal, or nobody.
enum class Answerer { Code, Environment, Terminal, Nobody };
// Who would answer one called now.
Answerer NextAnswerer();
// Every MessageBoxA shown since the last ClearJournal, with its answer, while
// the journal is kept (KeepJournal).
struct ShownMessage {
    std::string text;
    std::string caption;
    UINT style;
    int answer;          // IDYES, IDNO or IDOK; 0 for a box that could not be shown
    Answerer answeredBy; // of a Yes/No box; Nobody for the others
};
std::vector<ShownMessage> ShownMessages();
// The last MessageBoxA called, shown or not (then its answer is 0).
std::optional<ShownMessage> LastMessage();

// The first request the VWIN32 device refused (it returned the carry set)
// since this was last asked, which forgets it: the service as the journal
// names it (INT25, INT21-440D, ...) and EAX as returned.
struct DeviceRefusal {
    std::string service;
    DWORD eax;
};
std::optional<DeviceRefusal> TakeDeviceRefusal();

// How many calls named `name` the machine has answered since the program
// started: a call as the journal names it ("WriteFile"), or a service of the
// VWIN32 device ("INT26"), counting the requests that reached it. Throws
// ConfigError for a name that is neither.
std::uint64_t CallsMade(std::string_view name);
// How many times the machine has set out to write to a medium since the
// program started (a WriteFile past its checks, a write by INT 26h, INT 21h
// 7305h or INT 13h), whether the write succeeded or not: a call that failed
// before it wrote nothing.
std::uint64_t MediumWrites();

// The journal: kept in memory only while a program asks for it (tests do,
// with KeepJournal(true); ResetMachine stops it). Otherwise a line goes only
// to a trace, and with no trace no line is made at all.
void KeepJournal(bool keep);
// One line per call, "Name(arg, arg, ...) = result", with
// " (detail)" after the result: what a successful call returned, or the
// error of a failed one (", planned fault" when the fault plan made it fail).
// Handles print as h1, h2, ...; INVALID_HANDLE_VALUE as INVALID_HANDLE_VALUE;
// null pointers as NULL, other pointers as ptr (SetFilePointer's high part as
// [value]); codes and masks in hex (0x90018), counts and offsets in decimal;
// strings in double quotes, with '"', controls and non-ASCII bytes as \xNN;
// modules by their file name, with " (data)" for a file mapped as data;
// resources named by number as #2, the types RT_BITMAP and RT_RCDATA by
// name. A call made while another waits for the dynamic loader (the
// start-up of a module that LoadLibraryA loads) comes before it.
// GetLastError, SetLastError, GetThreadLocale and SetThreadLocale, the
// calling thread's own state, are not journalled. For example:
//   CreateFileA("\\.\C:", 0xC0000000, 0x3, NULL, 3, 0x0, NULL) = h1
//   SetFilePointer(h1, 1024, NULL, FILE_BEGIN) = 1024
//   SetFilePointer(h1, -4096, NULL, FILE_CURRENT) = INVALID_SET_FILE_POINTER (ERROR_NEGATIVE_SEEK)
//   ReadFile(h1, ptr, 512, ptr, NULL) = TRUE (512 bytes)
//   ReadFile(h1, ptr, 512, ptr, NULL) = FALSE (ERROR_CRC, planned fault)
//   DeviceIoControl(h1, 0x90018, NULL, 0, NULL, 0, ptr, NULL) = TRUE
//   GetDiskFreeSpaceA("C:\", ptr, ptr, ptr, ptr) = TRUE (4, 512, 8100, 8167)
//   GetVersionExA(ptr) = TRUE (platform 2, version 4.0, build 1381)
//   MessageBoxA(NULL, "Dangerous!\x0DDo ...", "Attention", 0x34) = IDYES (ZELVAN_ANSWER)
//   LoadLibraryExA("ZelvanPack.bpl", NULL, 0x2) = ZelvanPack.bpl (data)
//   FindResourceA(ZelvanPack.bpl (data), "PACKAGEINFO", RT_RCDATA) = ptr (52 bytes)
// A request to the VWIN32 device adds a line of its own after the
// DeviceIoControl line, naming the service (INT21-440D, INT25, INT26, INT13,
// INT21-7305) and every register as sent and as returned; a transfer adds the
// DISKIO packet as read, in hex bytes, and INT13 the cylinder/head/sector:
//   VWIN32 INT25 in(EAX=0x00000002 EBX=0x00100000 ECX=0x0000FFFF EDX=0x00000000 EDI=0x00000000 ESI=0x00000000 Flags=0x00000001) out(EAX=0x00000002 ... Flags=0x00000000) packet(78 56 34 12 03 00 00 10 10 00)
//   VWIN32 INT13 in(EAX=0x00000201 EBX=0x00100000 ECX=0x00004F12 EDX=0x00000100 ...) out(EAX=0x00000001 ...) chs(79/1/18)
std::vector<std::string> Journal();
void ClearJournal();
// Lines of the journal whose call name is `name` (the text before the first
// '(' or blank): "ReadFile", or "VWIN32" for every device request.
std::vector<std::string> JournalOf(std::string_view name);
// Also append every line to a file ("-" for standard error), as ZELVAN_TRACE.
void TraceTo(std::string_view path);
// Why the trace lost lines, naming it: "trace file '/dev/full' could not be
// written: No space left on device; the journal stops short"; nullopt while
// it has every line. A program whose trace is short has failed.
std::optional<std::string> TraceFailure();

// The fault plan. `call` is a call name, optionally qualified by its control
// code: "ReadFile", "DeviceIoControl:0x90018". `ordinals` counts the calls of
// that name (with that code) from 1 since that entry was set; an entry
// replaces an earlier one for the same call. A planned call fails before it
// looks at its arguments, with no other effect, and sets `value` as its
// error (one of win32/win_errors.h, so that every error the machine returns
// has its name), or without one a plausible Windows error.
// `call` may also name a service of the VWIN32 device, as the journal does:
// INT21-440D, INT25, INT26, INT13 or INT21-7305. Then `ordinals` counts the
// requests that reach the service (DeviceIoControl itself succeeds), and a
// planned request does nothing but answer with carry set and the status
// `value`: in AH for INT13 (1 to FFh, e.g. 06h, media changed), in AX for the
// DOS services (1 to FFFFh, e.g. 0408h for INT 25h, sector not found).
// Without a value the service answers its own failure status. The journal
// line of such a request ends "planned fault".
// The calls and services the plan accepts, and what each planned failure
// sets, are the rows of hostedCalls and hostedServices in
// win32/hosted/call_table.h.
void FailCall(std::string_view call, std::vector<unsigned> ordinals, std::optional<DWORD> value = std::nullopt);
// "ReadFile#1,2;DeviceIoControl:0x90018#1;INT13#1=0x06": CALL#N[,N...][=VALUE],
// as ZELVAN_FAULTS; checked whole before any of it takes effect.
void PlanFaults(std::string_view text);
void ClearFaults();

// Closes every handle, forgets the drives, faults, answer, messages and
// journal (which is no longer kept), returns the identity and error mode
// to their defaults, and gives the calling thread the user's locale again.
// The environment is not read again. Modules stay loaded: they belong to
// the process.
void ResetMachine();

// The process-wide error mode, as SetErrorMode last set it.
UINT ErrorMode();
// How many handles are open now.
std::size_t OpenHandleCount();

} // namespace hosted
