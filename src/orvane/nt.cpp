// The Windows NT road: the volume itself, opened as \\.\X:, read and written
// in bytes through a temporary block.
#include <algorithm>
#include <cstring>

#include "orvane/orvane.h"
#include "orvane/rules.h"
#include "orvane/unit.h"
#include "vcl/memory_manager.h"

namespace Orvane {

namespace {
bool ControlVolume(DWORD ControlCode) {
    return DeviceIoControl(DiskHandle, ControlCode, nullptr, 0, nullptr, 0, &BytesReturned, nullptr) != 0;
}

// SetFilePointer gives the new position's low part as its result, and
// INVALID_SET_FILE_POINTER is a failure only when the last error says so:
// it is also the low part of a position just below a multiple of 4 GiB.
bool SetPosition(std::uint64_t ByteOffset) {
    LONG high = static_cast<LONG>(ByteOffset >> 32);
    return SetFilePointer(DiskHandle, static_cast<LONG>(static_cast<DWORD>(ByteOffset)), &high, FILE_BEGIN) !=
               INVALID_SET_FILE_POINTER ||
           GetLastError() == ERROR_SUCCESS;
}
} // namespace

bool TZelvan::GetDiskHandle(char Drive) {
    if (DiskHandle == INVALID_HANDLE_VALUE) {
        const char path[] = {'\\', '\\', '.', '\\', Drive, ':', '\0'};
        SetErrorMode(SEM_FAILCRITICALERRORS);
        DiskHandle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        SetErrorMode(SEM_NOALIGNMENTFAULTEXCEPT);
    }
    return DiskHandle != INVALID_HANDLE_VALUE;
}

// Offset is a signed 32-bit byte offset: one below 0 names no byte of the
// volume, and nothing is opened for it.
bool TZelvan::RSNT(char Drive, int Offset, int Count, unsigned char* Buffer, const int) {
    if (Offset < 0) return false;
    return TransferNT(Drive, static_cast<std::uint64_t>(Offset), static_cast<std::uint32_t>(Count), Buffer, nullptr,
                      false);
}

bool TZelvan::WSNT(char Drive, int Offset, int Count, const unsigned char* Buffer, const int) {
    if (Offset < 0) return false;
    return TransferNT(Drive, static_cast<std::uint64_t>(Offset), static_cast<std::uint32_t>(Count), nullptr, Buffer,
                      true);
}

bool TZelvan::TransferNT(char Drive, std::uint64_t ByteOffset, std::uint32_t Count, unsigned char* ReadInto,
                         const unsigned char* WriteFrom, bool Write) {
    // Without an attempt there is no transfer to report.
    if (FRetries == 0) return false;

    if (DiskHandle == INVALID_HANDLE_VALUE) HandleOpened = GetDiskHandle(Drive);
    const THandleRelease release(*this, THandleRelease::Opened);
    if (DiskHandle == INVALID_HANDLE_VALUE) return false;

    if (FNeedDiskLock && !ControlVolume(FSCTL_LOCK_VOLUME)) return false;
    if (!SetPosition(ByteOffset)) return false;

    const DWORD count = Count;
    const vcl::TMemoryBlock block(count);
    // The block comes uninitialised; of what a read hands the caller, the
    // bytes no attempt has written are zeros, never what the block held.
    DWORD written = 0;
    // The direction is the caller's word, not a pointer's: an empty run's
    // buffer may be null either way. An attempt that moves fewer bytes than
    // the run has not transferred it.
    const bool moved = Attempt(FRetries, [&] {
        if (Write && count) std::memcpy(block.get(), WriteFrom, count);
        const BOOL done = Write ? WriteFile(DiskHandle, block.get(), count, &BytesReturned, nullptr)
                                : ReadFile(DiskHandle, block.get(), count, &BytesReturned, nullptr);
        if (!Write && count) {
            written = std::max(written, std::min(BytesReturned, count));
            std::memset(block.get() + written, 0, count - written);
            std::memcpy(ReadInto, block.get(), count);
        }
        return done != 0 && BytesReturned == count;
    });
    // A failed transfer leaves the lock to end with the handle.
    if (!moved) return false;
    return !FNeedDiskLock || ControlVolume(FSCTL_UNLOCK_VOLUME);
}

} // namespace Orvane
