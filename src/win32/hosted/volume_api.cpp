// Handles: CreateFileA, CloseHandle, and the volume side of SetFilePointer,
// ReadFile, WriteFile and DeviceIoControl, with NT's rules for a volume
// opened as "\\.\X:".
#include <cerrno>
#include <limits>

#include "win32/hosted/drive_media.h"
#include "win32/hosted/machine_state.h"
#include "win32/hosted/paths.h"
#include "win32/hosted/volume_reading.h"
#include "win32/hosted/vwin32.h"

namespace hosted {
namespace {

bool Reads(DWORD access) { return (access & GENERIC_READ) != 0; }
bool Writes(DWORD access) { return (access & GENERIC_WRITE) != 0; }

// NT's share check between an open handle and a new open of the same volume;
// opens without read or write access take no part in it.
bool ShareConflict(const VolumeHandle& held, DWORD access, DWORD share) {
    bool heldUses = Reads(held.access) || Writes(held.access);
    bool newUses = Reads(access) || Writes(access);
    if (!heldUses || !newUses) return false;
    return (Reads(access) && !(held.share & FILE_SHARE_READ)) || (Writes(access) && !(held.share & FILE_SHARE_WRITE)) ||
           (Reads(held.access) && !(share & FILE_SHARE_READ)) || (Writes(held.access) && !(share & FILE_SHARE_WRITE));
}

template <typename Visit>
void ForEachVolumeOf(Machine& machine, char letter, Visit visit) {
    for (auto& [key, object] : machine.handles)
        if (auto* volume = std::get_if<VolumeHandle>(&object); volume && volume->letter == letter) visit(key, *volume);
}

HANDLE OpenVolume(Machine& machine, Call& call, char letter, DWORD access, DWORD share, DWORD disposition) {
    auto fail = [&](DWORD error) {
        call.FinishFailed("INVALID_HANDLE_VALUE", error);
        return INVALID_HANDLE_VALUE;
    };
    const DriveSpec* drive = machine.Drive(letter);
    if (!drive) return fail(ERROR_FILE_NOT_FOUND);
    if (disposition == CREATE_NEW) return fail(ERROR_FILE_EXISTS);
    if (disposition != OPEN_EXISTING) return fail(ERROR_ACCESS_DENIED);
    DWORD refusal = ERROR_SUCCESS;
    ForEachVolumeOf(machine, letter, [&](std::uintptr_t, const VolumeHandle& held) {
        if (held.locked) refusal = ERROR_ACCESS_DENIED;
        else if (refusal == ERROR_SUCCESS && ShareConflict(held, access, share)) refusal = ERROR_SHARING_VIOLATION;
    });
    if (refusal != ERROR_SUCCESS) return fail(refusal);
    Result<Backing> medium = machine.shelf.Take(letter, *drive, Writes(access));
    // Windows opens a write-protected medium for writing all the same and
    // fails its writes; so does a read-only drive or file here.
    const bool writeProtected = !medium && Writes(access) && medium.Error() == ERROR_ACCESS_DENIED;
    if (writeProtected) medium = machine.shelf.Take(letter, *drive, false);
    if (!medium) return fail(medium.Error());
    // Another process holds the volume locked.
    if (!medium->TryShare()) {
        machine.shelf.Keep(letter, drive->path, std::move(*medium));
        return fail(ERROR_ACCESS_DENIED);
    }
    HANDLE handle = machine.AddHandle(VolumeHandle{letter, std::move(*medium), access, share, 0, false, writeProtected});
    call.Finish([&] { return HandleArg(handle); });
    return handle;
}

BOOL VolumeControl(Machine& machine, Call& call, std::uintptr_t key, VolumeHandle& volume, DWORD code) {
    switch (code) {
    case FSCTL_LOCK_VOLUME: {
        // The handle's shared flock(2) on its medium becomes an exclusive one,
        // which volume handles and locks of other processes, and tools using
        // flock, see.
        if (volume.locked) return call.Fail(ERROR_ACCESS_DENIED);
        bool shared = false;
        ForEachVolumeOf(machine, volume.letter, [&](std::uintptr_t other, const VolumeHandle&) { shared |= other != key; });
        if (shared) return call.Fail(ERROR_ACCESS_DENIED);
        if (!volume.medium.TryExclusive()) {
            // A failed conversion drops the shared lock; take it back.
            volume.medium.TryShare();
            return call.Fail(ERROR_ACCESS_DENIED);
        }
        volume.locked = true;
        return call.Succeed();
    }
    case FSCTL_DISMOUNT_VOLUME:
        // The file system lets go of the volume; it mounts again on the next
        // measurement, while this handle may write anywhere.
        volume.dismounted = true;
        machine.mounts.Forget(volume.letter);
        return call.Succeed();
    case FSCTL_UNLOCK_VOLUME:
        if (!volume.locked) return call.Fail(ERROR_NOT_LOCKED);
        volume.locked = false;
        // NT verifies the volume before its next use and mounts what it finds.
        machine.mounts.Forget(volume.letter);
        volume.medium.TryShare();
        return call.Succeed();
    default:
        return call.Fail(ERROR_INVALID_FUNCTION);
    }
}

const char* MoveMethodName(DWORD method) {
    switch (method) {
    case FILE_BEGIN: return "FILE_BEGIN";
    case FILE_CURRENT: return "FILE_CURRENT";
    case FILE_END: return "FILE_END";
    default: return nullptr;
    }
}

// The volume's size in whole sectors, as bytes.
std::optional<std::uint64_t> VolumeBytes(const VolumeHandle& volume) {
    std::optional<std::uint64_t> size = volume.medium.Size();
    if (size) *size -= *size % volume.medium.SectorSize();
    return size;
}

// How the journal shows the arguments of ReadFile and WriteFile.
std::string TransferArgs(HANDLE handle, const void* buffer, DWORD count, LPDWORD done, LPOVERLAPPED overlapped) {
    return ArgList({HandleArg(handle), PointerArg(buffer), std::to_string(count), PointerArg(done), PointerArg(overlapped)});
}

// The checks ReadFile and WriteFile share; the handle's volume when they pass.
VolumeHandle* TransferTarget(Machine& machine, Call& call, HANDLE handle, bool write, LPDWORD done,
                             LPOVERLAPPED overlapped) {
    if (done) *done = 0;
    if (call.Planned()) {
        call.Fail(call.PlannedError());
        return nullptr;
    }
    std::optional<std::uintptr_t> key = machine.HandleKey(handle);
    if (!key) {
        call.Fail(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto* volume = std::get_if<VolumeHandle>(&machine.handles.at(*key));
    DWORD error = !volume                                            ? ERROR_INVALID_FUNCTION
                  : overlapped || !done                              ? ERROR_INVALID_PARAMETER
                  : !(write ? Writes(volume->access) : Reads(volume->access)) ? ERROR_ACCESS_DENIED
                                                                     : ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) {
        call.Fail(error);
        return nullptr;
    }
    return volume;
}

// The volume's size, once the buffer is there and the transfer is whole
// sectors at a whole sector; otherwise the call has failed.
std::optional<std::uint64_t> CheckedVolumeBytes(Call& call, VolumeHandle& volume, const void* buffer, DWORD count) {
    const unsigned sector = volume.medium.SectorSize();
    DWORD error = ERROR_SUCCESS;
    std::optional<std::uint64_t> size;
    if (!buffer)
        error = ERROR_NOACCESS;
    else if (volume.position % sector != 0 || count % sector != 0)
        error = ERROR_INVALID_PARAMETER;
    else if (!(size = VolumeBytes(volume)))
        error = ERROR_NOT_READY;
    if (error != ERROR_SUCCESS) call.Fail(error);
    return size;
}

std::string Bytes(std::size_t count) { return std::to_string(count) + " bytes"; }

// Whether a write of `count` bytes at the handle's position reaches into the
// space of the file system mounted on the volume: past its boot sectors and
// not beyond its end. A raw volume has no such space.
bool WritesIntoFileSystem(Machine& machine, const VolumeHandle& volume, DWORD count) {
    const std::optional<MountedVolume> mounted = machine.mounts.Mounted(volume.letter, volume.medium);
    return mounted && volume.position + count > mounted->bootBytes && volume.position < mounted->spanBytes;
}

} // namespace
} // namespace hosted

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "CreateFileA", [&] {
        return hosted::ArgList({hosted::TextArg(lpFileName), hosted::HexArg(dwDesiredAccess),
                                hosted::HexArg(dwShareMode), hosted::PointerArg(lpSecurityAttributes),
                                std::to_string(dwCreationDisposition), hosted::HexArg(dwFlagsAndAttributes),
                                hosted::HandleArg(hTemplateFile)});
    });
    auto fail = [&](DWORD error) {
        call.FinishFailed("INVALID_HANDLE_VALUE", error);
        return INVALID_HANDLE_VALUE;
    };
    if (call.Planned()) return fail(call.PlannedError());
    if (!lpFileName) return fail(ERROR_PATH_NOT_FOUND);
    std::string_view path(lpFileName);
    // Windows 95 hands "\\.\name" to the VxD loader before it looks at the
    // disposition, which is why the classic samples can pass 0 there.
    if (machine->IsWindows95Family() && hosted::IsVwin32Path(path)) {
        HANDLE handle = machine->AddHandle(hosted::DeviceHandle{});
        call.Finish([&] { return hosted::HandleArg(handle); });
        return handle;
    }
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING)
        return fail(ERROR_INVALID_PARAMETER);
    // Volume devices exist on NT only.
    std::optional<char> letter = machine->IsNt() ? hosted::VolumePathLetter(path) : std::nullopt;
    if (!letter) return fail(ERROR_FILE_NOT_FOUND);
    return hosted::OpenVolume(*machine, call, *letter, dwDesiredAccess, dwShareMode, dwCreationDisposition);
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "CloseHandle", [&] { return hosted::HandleArg(hObject); });
    if (call.Planned()) return call.Fail(call.PlannedError());
    std::optional<std::uintptr_t> key = machine->HandleKey(hObject);
    if (!key) return call.Fail(ERROR_INVALID_HANDLE);
    hosted::OpenObject& object = machine->handles.at(*key);
    if (auto* device = std::get_if<hosted::DeviceHandle>(&object)) {
        hosted::ReleaseDeviceLocks(*machine, *key);
        hosted::GiveBack(machine->shelf, device->media);
    } else {
        auto& volume = std::get<hosted::VolumeHandle>(object);
        // A lock that ends with its handle ends as an unlock does.
        if (volume.locked) machine->mounts.Forget(volume.letter);
        if (const hosted::DriveSpec* drive = machine->Drive(volume.letter)) {
            // The medium stays with the drive, without the lock this handle held.
            volume.medium.Unlock();
            machine->shelf.Keep(volume.letter, drive->path, std::move(volume.medium));
        }
    }
    machine->handles.erase(*key);
    return call.Succeed();
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    hosted::MachineLock machine;
    const char* method = hosted::MoveMethodName(dwMoveMethod);
    hosted::Call call(*machine, "SetFilePointer", [&] {
        return hosted::ArgList({hosted::HandleArg(hFile), std::to_string(lDistanceToMove),
                                lpDistanceToMoveHigh ? "[" + std::to_string(*lpDistanceToMoveHigh) + "]" : "NULL",
                                method ? method : std::to_string(dwMoveMethod)});
    });
    auto fail = [&](DWORD error) {
        call.FinishFailed("INVALID_SET_FILE_POINTER", error);
        return INVALID_SET_FILE_POINTER;
    };
    if (call.Planned()) return fail(call.PlannedError());
    std::optional<std::uintptr_t> key = machine->HandleKey(hFile);
    if (!key) return fail(ERROR_INVALID_HANDLE);
    auto* volume = std::get_if<hosted::VolumeHandle>(&machine->handles.at(*key));
    if (!volume) return fail(ERROR_INVALID_FUNCTION);
    if (!method) return fail(ERROR_INVALID_PARAMETER);

    // Without a high part the distance is a signed 32-bit value.
    const std::int64_t distance =
        lpDistanceToMoveHigh
            ? static_cast<std::int64_t>(std::uint64_t{static_cast<DWORD>(*lpDistanceToMoveHigh)} << 32 |
                                        static_cast<DWORD>(lDistanceToMove))
            : lDistanceToMove;
    std::uint64_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) base = volume->position;
    if (dwMoveMethod == FILE_END) {
        std::optional<std::uint64_t> size = hosted::VolumeBytes(*volume);
        if (!size) return fail(ERROR_NOT_READY);
        base = *size;
    }
    // NT adds in signed 64 bits: a sum below 0, or beyond what 63 bits hold,
    // is a negative position.
    if (distance < 0 && static_cast<std::uint64_t>(-(distance + 1)) + 1 > base) return fail(ERROR_NEGATIVE_SEEK);
    std::uint64_t position = base + static_cast<std::uint64_t>(distance);
    if (position > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return fail(ERROR_NEGATIVE_SEEK);
    if (!lpDistanceToMoveHigh && position > 0xFFFFFFFFu) return fail(ERROR_INVALID_PARAMETER);

    volume->position = position;
    auto low = static_cast<DWORD>(position);
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(position >> 32);
    // A low part that looks like the failure value is told apart by the error.
    if (low == INVALID_SET_FILE_POINTER) hosted::LastError() = ERROR_SUCCESS;
    call.Finish([&] { return std::to_string(low); },
                [&] { return lpDistanceToMoveHigh ? "high " + std::to_string(position >> 32) : std::string(); });
    return low;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "ReadFile", [&] {
        return hosted::TransferArgs(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped);
    });
    hosted::VolumeHandle* volume =
        hosted::TransferTarget(*machine, call, hFile, false, lpNumberOfBytesRead, lpOverlapped);
    if (!volume) return FALSE;
    if (nNumberOfBytesToRead == 0) return call.Succeed("0 bytes");
    std::optional<std::uint64_t> size = hosted::CheckedVolumeBytes(call, *volume, lpBuffer, nNumberOfBytesToRead);
    if (!size) return FALSE;
    // A raw volume read is bounded by the device: one that starts beyond its
    // last sector names a sector that does not exist, and the disk driver
    // fails it with ERROR_SECTOR_NOT_FOUND; one that runs over the end
    // returns the sectors up to it, and the count read says how many.
    if (volume->position >= *size) return call.Fail(ERROR_SECTOR_NOT_FOUND);
    auto length = static_cast<std::size_t>(std::min<std::uint64_t>(nNumberOfBytesToRead, *size - volume->position));
    hosted::Backing::Transfer got = volume->medium.ReadAt(lpBuffer, length, volume->position);
    volume->position += got.bytes;
    *lpNumberOfBytesRead = static_cast<DWORD>(got.bytes);
    if (got.error != 0) return call.Fail(got.error == EIO ? ERROR_CRC : ERROR_READ_FAULT);
    return call.Succeed([&] { return hosted::Bytes(got.bytes); });
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "WriteFile", [&] {
        return hosted::TransferArgs(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten, lpOverlapped);
    });
    hosted::VolumeHandle* volume =
        hosted::TransferTarget(*machine, call, hFile, true, lpNumberOfBytesWritten, lpOverlapped);
    if (!volume) return FALSE;
    if (nNumberOfBytesToWrite == 0) return call.Succeed("0 bytes");
    std::optional<std::uint64_t> size = hosted::CheckedVolumeBytes(call, *volume, lpBuffer, nNumberOfBytesToWrite);
    if (!size) return FALSE;
    // Vista's rule for raw writes: into a mounted file system's space only
    // through a handle that locked or dismounted the volume.
    if (machine->GuardsMountedVolumes() && !volume->locked && !volume->dismounted &&
        hosted::WritesIntoFileSystem(*machine, *volume, nNumberOfBytesToWrite))
        return call.Fail(ERROR_ACCESS_DENIED);
    if (volume->writeProtected) return call.Fail(ERROR_WRITE_PROTECT);
    // A volume does not grow: a write that does not fit is refused whole.
    if (volume->position > *size || nNumberOfBytesToWrite > *size - volume->position)
        return call.Fail(ERROR_HANDLE_EOF);
    machine->mounts.Written(volume->letter);
    hosted::Backing::Transfer put = volume->medium.WriteAt(lpBuffer, nNumberOfBytesToWrite, volume->position);
    volume->position += put.bytes;
    *lpNumberOfBytesWritten = static_cast<DWORD>(put.bytes);
    if (put.error != 0) return call.Fail(ERROR_WRITE_FAULT);
    return call.Succeed([&] { return hosted::Bytes(put.bytes); });
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                            LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped) {
    hosted::MachineLock machine;
    hosted::Call call(
        *machine, "DeviceIoControl",
        [&] {
            return hosted::ArgList({hosted::HandleArg(hDevice), hosted::HexArg(dwIoControlCode),
                                    hosted::PointerArg(lpInBuffer), std::to_string(nInBufferSize),
                                    hosted::PointerArg(lpOutBuffer), std::to_string(nOutBufferSize),
                                    hosted::PointerArg(lpBytesReturned), hosted::PointerArg(lpOverlapped)});
        },
        dwIoControlCode);
    if (call.Planned()) return call.Fail(call.PlannedError());
    std::optional<std::uintptr_t> key = machine->HandleKey(hDevice);
    if (!key) return call.Fail(ERROR_INVALID_HANDLE);
    if (lpOverlapped || !lpBytesReturned) return call.Fail(ERROR_INVALID_PARAMETER);
    *lpBytesReturned = 0;
    hosted::OpenObject& object = machine->handles.at(*key);
    if (auto* volume = std::get_if<hosted::VolumeHandle>(&object))
        return hosted::VolumeControl(*machine, call, *key, *volume, dwIoControlCode);
    return hosted::Vwin32Control(*machine, call, *key, std::get<hosted::DeviceHandle>(object),
                         {dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer, nOutBufferSize, lpBytesReturned});
}
