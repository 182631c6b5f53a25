// The Win32 errors this system meets, once: the code, the SDK's name that the
// journal prints, what the error means for a transfer, in the words the
// tools tell it with, and whether the failed call can have moved any of it.
// The same on Windows and on the hosted PC, which returns no error that has
// no row here.
#pragma once

#include <iterator>
#include <string>
#include <string_view>

#include "win32/win32.h"

namespace win32 {

// What a volume's call that failed with the error moved. Windows refuses
// what it will not carry out before a byte moves: an open or a lock it
// denies, a position or a run the device cannot take, a write-protected
// medium, a mounted file system's space from Vista on. A device's fault may
// come in the middle of a transfer.
enum class Moved { Perhaps, Nothing };

struct Win32Error {
    DWORD code;
    std::string_view name;
    std::string_view words;
    Moved moved = Moved::Perhaps;
};

inline constexpr Win32Error win32Errors[] = {
    {ERROR_SUCCESS, "ERROR_SUCCESS", "the operation completed successfully"},
    {ERROR_INVALID_FUNCTION, "ERROR_INVALID_FUNCTION", "the device does not carry out this request"},
    {ERROR_FILE_NOT_FOUND, "ERROR_FILE_NOT_FOUND", "the volume does not exist", Moved::Nothing},
    {ERROR_PATH_NOT_FOUND, "ERROR_PATH_NOT_FOUND", "there is no such drive", Moved::Nothing},
    {ERROR_ACCESS_DENIED, "ERROR_ACCESS_DENIED",
     "the volume is locked by another program, or another program has it open and keeps it from being locked",
     Moved::Nothing},
    {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE", "the handle is not open", Moved::Nothing},
    {ERROR_NOT_ENOUGH_MEMORY, "ERROR_NOT_ENOUGH_MEMORY", "there was not enough memory"},
    {ERROR_INVALID_DRIVE, "ERROR_INVALID_DRIVE", "there is no such drive", Moved::Nothing},
    {ERROR_WRITE_PROTECT, "ERROR_WRITE_PROTECT", "the drive is read-only: its medium is write-protected", Moved::Nothing},
    {ERROR_NOT_READY, "ERROR_NOT_READY", "the drive is not ready: its medium is missing or cannot be opened"},
    {ERROR_CRC, "ERROR_CRC", "the medium has a data error (CRC)"},
    {ERROR_SEEK, "ERROR_SEEK", "the position within the volume could not be set"},
    {ERROR_SECTOR_NOT_FOUND, "ERROR_SECTOR_NOT_FOUND", "the run reaches past the end of the medium"},
    {ERROR_WRITE_FAULT, "ERROR_WRITE_FAULT", "the medium could not be written"},
    {ERROR_READ_FAULT, "ERROR_READ_FAULT", "the medium could not be read"},
    {ERROR_GEN_FAILURE, "ERROR_GEN_FAILURE", "the device failed the request"},
    {ERROR_SHARING_VIOLATION, "ERROR_SHARING_VIOLATION", "another program has the volume open and does not share it", Moved::Nothing},
    {ERROR_LOCK_VIOLATION, "ERROR_LOCK_VIOLATION", "another program has locked a part of the volume"},
    {ERROR_HANDLE_EOF, "ERROR_HANDLE_EOF", "the run reaches past the end of the medium", Moved::Nothing},
    {ERROR_HANDLE_DISK_FULL, "ERROR_HANDLE_DISK_FULL", "the disk is full"},
    {ERROR_NOT_SUPPORTED, "ERROR_NOT_SUPPORTED", "the request is not supported"},
    {ERROR_DEV_NOT_EXIST, "ERROR_DEV_NOT_EXIST", "the device is no longer there"},
    {ERROR_FILE_EXISTS, "ERROR_FILE_EXISTS", "the file exists already"},
    {ERROR_INVALID_PARAMETER, "ERROR_INVALID_PARAMETER",
     "the device refused the run's position or length, which must be whole sectors of the device", Moved::Nothing},
    {ERROR_DISK_FULL, "ERROR_DISK_FULL", "the disk is full"},
    {ERROR_CALL_NOT_IMPLEMENTED, "ERROR_CALL_NOT_IMPLEMENTED", "this Windows does not offer the function"},
    {ERROR_SEM_TIMEOUT, "ERROR_SEM_TIMEOUT", "the device did not answer in time"},
    {ERROR_INSUFFICIENT_BUFFER, "ERROR_INSUFFICIENT_BUFFER", "the buffer is too small"},
    {ERROR_INVALID_NAME, "ERROR_INVALID_NAME", "the name is not a valid path"},
    {ERROR_MOD_NOT_FOUND, "ERROR_MOD_NOT_FOUND", "the module, or a module it needs, was not found"},
    {ERROR_PROC_NOT_FOUND, "ERROR_PROC_NOT_FOUND", "the module exports no such function"},
    {ERROR_NEGATIVE_SEEK, "ERROR_NEGATIVE_SEEK", "the position would lie before the start of the volume", Moved::Nothing},
    {ERROR_NOT_LOCKED, "ERROR_NOT_LOCKED", "the volume could not be unlocked after the transfer"},
    {ERROR_BAD_EXE_FORMAT, "ERROR_BAD_EXE_FORMAT", "the file is not a module for this system"},
    {ERROR_NOACCESS, "ERROR_NOACCESS", "the buffer's memory cannot be reached"},
    {ERROR_UNRECOGNIZED_VOLUME, "ERROR_UNRECOGNIZED_VOLUME", "the medium holds no file system Windows recognizes"},
    {ERROR_MEDIA_CHANGED, "ERROR_MEDIA_CHANGED", "the medium in the drive was changed"},
    {ERROR_NO_MEDIA_IN_DRIVE, "ERROR_NO_MEDIA_IN_DRIVE", "there is no medium in the drive"},
    {ERROR_IO_DEVICE, "ERROR_IO_DEVICE", "the device failed the transfer (an I/O device error)"},
    {ERROR_DEVICE_NOT_CONNECTED, "ERROR_DEVICE_NOT_CONNECTED", "the device is not connected"},
    {ERROR_NO_SYSTEM_RESOURCES, "ERROR_NO_SYSTEM_RESOURCES",
     "Windows lacks the system resources for the transfer"},
    {ERROR_RESOURCE_DATA_NOT_FOUND, "ERROR_RESOURCE_DATA_NOT_FOUND", "the module holds no resources"},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, "ERROR_RESOURCE_TYPE_NOT_FOUND", "the module holds no resource of that type"},
    {ERROR_RESOURCE_NAME_NOT_FOUND, "ERROR_RESOURCE_NAME_NOT_FOUND", "the module holds no resource of that name"},
};

static_assert([] {
    for (auto a = std::begin(win32Errors); a != std::end(win32Errors); ++a)
        for (auto b = a + 1; b != std::end(win32Errors); ++b)
            if (a->code == b->code || a->name == b->name) return false;
    return true;
}(), "each error has one row");

// The row of `code`; nullptr for an error this system does not know.
constexpr const Win32Error* FindWin32Error(DWORD code) {
    for (const Win32Error& error : win32Errors)
        if (error.code == code) return &error;
    return nullptr;
}

// Whether `code` has its row (by value, so that it holds in a constant
// expression under the sanitizers too).
constexpr bool IsNamedError(DWORD code) {
    for (const Win32Error& error : win32Errors)
        if (error.code == code) return true;
    return false;
}

// "ERROR_ACCESS_DENIED"; the number for an error this system does not know.
inline std::string ErrorName(DWORD code) {
    const Win32Error* error = FindWin32Error(code);
    return error ? std::string(error->name) : std::to_string(code);
}

} // namespace win32
