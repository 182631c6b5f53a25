// Why Windows refused a transfer, in words: from the error of the last
// failed Win32 call (the NT road) or the status a VWIN32 service returned
// (the Windows 95 roads), as a person reads them.
#pragma once

#include <string>
#include <string_view>

#include "win32/win32.h"

namespace zelvan_cli {

struct FaultWords {
    std::string text;
    bool movedNothing = false; // Windows refused the call before any byte moved
};

// "the drive is read-only: its medium is write-protected (ERROR_WRITE_PROTECT)";
// the number for an error it does not know.
FaultWords WindowsErrorWords(DWORD error);
// "ERROR_WRITE_PROTECT"; the number for an error it does not know.
std::string WindowsErrorName(DWORD error);

// "INT 25h" for the service the machine names "INT25".
std::string ServiceLabel(std::string_view service);

// "INT 21h 440Dh (lock volume) refused: access denied (AX=0x0005): the
// volume is locked by another program". `fat32` tells that the volume is
// FAT32, which INT 25h/26h do not reach.
FaultWords DeviceRefusalWords(std::string_view service, DWORD eax, bool fat32);

} // namespace zelvan_cli
