#include "zelvan/failure_words.h"

#include <cstdio>

namespace zelvan_cli {

namespace {

struct NamedError {
    DWORD code;
    const char* name;
    const char* words;
};

struct Status {
    DWORD code;
    const char* words;
};

// ERROR_SEEK, which <windows.h> names and this tool's Win32 surface does not.
constexpr DWORD seekError = 25;

constexpr NamedError windowsErrors[] = {
    {ERROR_WRITE_PROTECT, "ERROR_WRITE_PROTECT", "the drive is read-only: its medium is write-protected"},
    {ERROR_ACCESS_DENIED, "ERROR_ACCESS_DENIED",
     "the volume is locked by another program, or another program has it open and keeps it from being locked"},
    {ERROR_SHARING_VIOLATION, "ERROR_SHARING_VIOLATION", "another program has the volume open and does not share it"},
    {ERROR_SECTOR_NOT_FOUND, "ERROR_SECTOR_NOT_FOUND", "the run reaches past the end of the medium"},
    {ERROR_HANDLE_EOF, "ERROR_HANDLE_EOF", "the run reaches past the end of the medium"},
    {ERROR_INVALID_PARAMETER, "ERROR_INVALID_PARAMETER",
     "the device refused the run's position or length, which must be whole sectors of the device"},
    {ERROR_NOT_READY, "ERROR_NOT_READY", "the drive is not ready: its medium is missing or cannot be opened"},
    {ERROR_FILE_NOT_FOUND, "ERROR_FILE_NOT_FOUND", "the volume does not exist"},
    {ERROR_NOT_LOCKED, "ERROR_NOT_LOCKED", "the volume could not be unlocked after the transfer"},
    {ERROR_CRC, "ERROR_CRC", "the medium has a data error (CRC)"},
    {ERROR_READ_FAULT, "ERROR_READ_FAULT", "the medium could not be read"},
    {ERROR_WRITE_FAULT, "ERROR_WRITE_FAULT", "the medium could not be written"},
    {ERROR_GEN_FAILURE, "ERROR_GEN_FAILURE", "the device failed the request"},
    {seekError, "ERROR_SEEK", "the position within the volume could not be set"},
    {ERROR_NOT_ENOUGH_MEMORY, "ERROR_NOT_ENOUGH_MEMORY", "there was not enough memory"},
    {ERROR_UNRECOGNIZED_VOLUME, "ERROR_UNRECOGNIZED_VOLUME", "the medium holds no file system Windows recognizes"},
    {ERROR_PATH_NOT_FOUND, "ERROR_PATH_NOT_FOUND", "there is no such drive"},
};

// The critical-error codes INT 25h/26h return in AL.
constexpr Status criticalErrors[] = {
    {0x00, "the medium is write-protected"}, {0x01, "unknown unit: no such drive"},
    {0x02, "the drive is not ready"},         {0x03, "unknown command"},
    {0x04, "data error (CRC)"},                {0x06, "seek error"},
    {0x07, "unknown medium: no FAT volume these services read"},
    {0x08, "sector not found: the run reaches past the end of the medium"},
    {0x0A, "write fault"},                     {0x0B, "read fault"},
    {0x0C, "general failure (a write on a volume that is not locked)"},
};

// The DOS error codes INT 21h returns in AX.
constexpr Status dosErrors[] = {
    {0x0001, "invalid function"},
    {0x0005, "access denied"},
    {0x0009, "the buffer's address could not be resolved"},
    {0x000F, "invalid drive"},
    {0x0013, "the medium is write-protected"},
    {0x0015, "the drive is not ready"},
    {0x001A, "unknown medium: no FAT volume"},
    {0x001B, "sector not found: the run reaches past the end of the medium"},
    {0x001D, "write fault"},
    {0x001E, "read fault"},
    {0x001F, "general failure"},
    {0x0057, "invalid parameter"},
    {0x00B0, "the volume is not locked"},
    {0x7300, "the function is not supported (this Windows has no INT 21h 7305h)"},
};

// The BIOS disk status INT 13h returns in AH.
constexpr Status biosErrors[] = {
    {0x01, "bad command"},
    {0x02, "address mark not found"},
    {0x03, "the disk is write-protected"},
    {0x04, "sector not found: the sector lies beyond the disk's format"},
    {0x06, "the disk was changed"},
    {0x09, "the buffer crosses a 64 KiB boundary"},
    {0x0C, "unknown medium: the disk's size is no standard floppy format"},
    {0x10, "read error (CRC)"},
    {0x20, "controller failure"},
    {0x40, "seek failed"},
    {0x80, "the drive is not ready"},
};

template <class Row, std::size_t N>
const Row* Find(const Row (&table)[N], DWORD code) {
    for (const Row& row : table)
        if (row.code == code) return &row;
    return nullptr;
}

std::string Hex(const char* name, DWORD value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%s=0x%0*X", name, digits, static_cast<unsigned>(value));
    return text;
}

} // namespace

FaultWords WindowsErrorWords(DWORD error) {
    // The NT road fails without a failed call when ReadFile or WriteFile
    // moved fewer bytes than the run, or when the component found its drive
    // invalid (a measurement that failed when it was selected).
    if (error == ERROR_SUCCESS)
        return {"no Win32 call failed: a transfer moved fewer bytes than the run (the medium ends inside it), or the "
                "drive's last measurement failed"};
    const NamedError* meaning = Find(windowsErrors, error);
    if (!meaning) return {"Windows error " + std::to_string(error)};
    return {std::string(meaning->words) + " (" + meaning->name + ")", error == ERROR_WRITE_PROTECT};
}

std::string WindowsErrorName(DWORD error) {
    const NamedError* meaning = Find(windowsErrors, error);
    return meaning ? meaning->name : "Windows error " + std::to_string(error);
}

FaultWords DeviceRefusalWords(std::string_view service, DWORD eax, bool fat32) {
    const WORD ax = static_cast<WORD>(eax);
    const BYTE al = static_cast<BYTE>(ax), ah = static_cast<BYTE>(ax >> 8);
    auto words = [](const Status* status, DWORD code) {
        return status ? std::string(status->words) : "status " + std::to_string(code);
    };
    if (service == "INT25" || service == "INT26") {
        std::string text = std::string(service == "INT25" ? "INT 25h (absolute read)" : "INT 26h (absolute write)") +
                           " refused: " + words(Find(criticalErrors, al), al) + " (" + Hex("AX", ax, 4) + ")";
        if (al == 0x07 && fat32)
            text += "; INT 25h/26h do not reach a FAT32 volume, which the extended road (builds above 1000, "
                    "--platform 98) does";
        return {text, al == 0x00};
    }
    if (service == "INT21-440D") {
        std::string text = "INT 21h 440Dh (lock volume) refused: " + words(Find(dosErrors, ax), ax) + " (" +
                           Hex("AX", ax, 4) + ")";
        if (ax == 0x0005) text += ": the volume is locked by another program";
        return {text};
    }
    if (service == "INT21-7305")
        return {"INT 21h 7305h (extended absolute read/write) refused: " + words(Find(dosErrors, ax), ax) + " (" +
                    Hex("AX", ax, 4) + ")",
                ax == 0x0013};
    if (service == "INT13")
        return {"INT 13h (BIOS disk) refused: " + words(Find(biosErrors, ah), ah) + " (" + Hex("AH", ah, 2) + ")",
                ah == 0x03};
    return {std::string(service) + " refused (" + Hex("EAX", eax, 8) + ")"};
}

} // namespace zelvan_cli
