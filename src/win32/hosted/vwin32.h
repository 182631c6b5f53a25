// The VWIN32 device of Windows 95/98: the DOS and BIOS disk services it
// carries out for DeviceIoControl on a "\\.\vwin32" handle.
#pragma once

#include <cstdint>

#include "win32/hosted/machine_state.h"

namespace hosted {

struct ControlRequest {
    DWORD code;
    LPVOID in;
    DWORD inSize;
    LPVOID out;
    DWORD outSize;
    LPDWORD bytesReturned;
};

// Runs one request of the device handle `owner` and finishes `call`.
BOOL Vwin32Control(Machine& machine, Call& call, std::uintptr_t owner, DeviceHandle& device,
                   const ControlRequest& request);

// Releases every volume lock the device handle `owner` holds (it is closing).
void ReleaseDeviceLocks(Machine& machine, std::uintptr_t owner);

} // namespace hosted
