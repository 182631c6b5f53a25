#include "win32/hosted/ntfs_library.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <vector>

#include "win32/hosted/free_bits.h"
#include "win32/hosted/ntfs3g.h"

namespace hosted {

namespace {

// libntfs-3g reads the volume through these operations, from the medium the
// hosted PC has open, and writes nothing.
struct DeviceState {
    const Backing* medium;
    s64 position = 0;
    std::string readFailure; // the first read of the medium that failed
};

DeviceState& StateOf(ntfs_device* device) { return *static_cast<DeviceState*>(device->d_private); }

s64 ReadFromMedium(ntfs_device* device, void* buffer, s64 count, s64 offset) {
    if (count < 0 || offset < 0) {
        errno = EINVAL;
        return -1;
    }
    const Backing::Transfer got =
        StateOf(device).medium->ReadAt(buffer, static_cast<std::size_t>(count), static_cast<std::uint64_t>(offset));
    if (got.error != 0) {
        std::string& failure = StateOf(device).readFailure;
        if (failure.empty())
            failure = "the medium cannot be read at byte " + std::to_string(offset) + " (" + std::strerror(got.error) + ")";
        errno = got.error;
        return -1;
    }
    return static_cast<s64>(got.bytes);
}

int Refuse(int error) {
    errno = error;
    return -1;
}

ntfs_device_operations readOnlyMedium = {
    [](ntfs_device* device, int flags) {
        if ((flags & O_ACCMODE) != O_RDONLY) return Refuse(EROFS);
        NDevSetOpen(device);
        NDevSetReadOnly(device);
        return 0;
    },
    [](ntfs_device* device) {
        NDevClearOpen(device);
        return 0;
    },
    [](ntfs_device* device, s64 offset, int whence) -> s64 {
        DeviceState& state = StateOf(device);
        s64 base = 0;
        if (whence == SEEK_CUR) base = state.position;
        if (whence == SEEK_END) {
            const std::optional<std::uint64_t> size = state.medium->Size();
            if (!size) return Refuse(EIO);
            base = static_cast<s64>(*size);
        }
        if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return Refuse(EINVAL);
        s64 position = 0;
        if (__builtin_add_overflow(base, offset, &position) || position < 0) return Refuse(EINVAL);
        return state.position = position;
    },
    [](ntfs_device* device, void* buffer, s64 count) -> s64 {
        DeviceState& state = StateOf(device);
        const s64 got = ReadFromMedium(device, buffer, count, state.position);
        if (got > 0) state.position += got;
        return got;
    },
    [](ntfs_device*, const void*, s64) -> s64 { return Refuse(EROFS); },
    ReadFromMedium,
    [](ntfs_device*, const void*, s64, s64) -> s64 { return Refuse(EROFS); },
    [](ntfs_device*) { return 0; },
    [](ntfs_device* device, struct stat* info) {
        const std::optional<std::uint64_t> size = StateOf(device).medium->Size();
        if (!size) return Refuse(EIO);
        *info = {};
        info->st_mode = S_IFREG | S_IRUSR;
        info->st_size = static_cast<off_t>(*size);
        return 0;
    },
    [](ntfs_device*, unsigned long, void*) { return Refuse(ENOTTY); },
};

// The errors the library reports while this thread mounts a volume, which
// say where a damaged volume is damaged.
thread_local std::vector<std::string>* libraryErrors = nullptr;

__attribute__((format(printf, 6, 0))) int KeepErrors(const char*, const char*, int, u32 level, void*,
                                                     const char* format, va_list args) {
    constexpr u32 errors = NTFS_LOG_LEVEL_ERROR | NTFS_LOG_LEVEL_PERROR | NTFS_LOG_LEVEL_CRITICAL;
    if (!libraryErrors || (level & errors) == 0) return 0;
    const int error = errno;
    std::array<char, 512> text{};
    std::vsnprintf(text.data(), text.size(), format, args);
    std::string line(text.data());
    // A message that begins with one of the library's functions is for its
    // developers: the next one says what it means for the volume.
    if (line.starts_with("ntfs_")) return 0;
    while (!line.empty() && (line.back() == '\n' || line.back() == '.')) line.pop_back();
    if (level & NTFS_LOG_LEVEL_PERROR) line += std::string(": ") + std::strerror(error);
    if (!line.empty()) line[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
    libraryErrors->push_back(std::move(line));
    errno = error;
    return 0;
}

// Keeps the library's errors for as long as it lives.
class ErrorsKept {
public:
    ErrorsKept() { libraryErrors = &errors_; }
    ~ErrorsKept() { libraryErrors = nullptr; }
    ErrorsKept(const ErrorsKept&) = delete;
    ErrorsKept& operator=(const ErrorsKept&) = delete;
    // "first; second".
    std::string Text() const {
        std::string text;
        for (const std::string& error : errors_) text += (text.empty() ? "" : "; ") + error;
        return text;
    }

private:
    std::vector<std::string> errors_;
};

// The calls of libntfs-3g the hosted PC makes. The library is loaded when
// the first NTFS volume is mounted, not when the program starts: binding it
// costs a start-up more than the rest of a one-sector command.
struct Ntfs3g {
    decltype(&::ntfs_log_set_handler) log_set_handler;
    decltype(&::ntfs_device_alloc) device_alloc;
    decltype(&::ntfs_device_free) device_free;
    decltype(&::ntfs_device_mount) device_mount;
    decltype(&::ntfs_umount) umount;
    decltype(&::ntfs_attr_pread) attr_pread;
};

// $Bitmap is read in pieces of this much.
constexpr std::size_t bitmapPieceBytes = std::size_t{4} << 20;

struct LibraryClose {
    void operator()(void* library) const { ::dlclose(library); }
};

template <class Function>
bool Bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

// The library, loaded once for the process, or why it could not be.
struct LoadedNtfs3g {
    std::unique_ptr<void, LibraryClose> library;
    Ntfs3g calls{};
    std::string failure;

    LoadedNtfs3g() : library(::dlopen(ZELVAN_NTFS3G_SONAME, RTLD_NOW | RTLD_LOCAL)) {
        void* const handle = library.get();
        if (!handle || !Bind(handle, "ntfs_log_set_handler", calls.log_set_handler) ||
            !Bind(handle, "ntfs_device_alloc", calls.device_alloc) ||
            !Bind(handle, "ntfs_device_free", calls.device_free) ||
            !Bind(handle, "ntfs_device_mount", calls.device_mount) || !Bind(handle, "ntfs_umount", calls.umount) ||
            !Bind(handle, "ntfs_attr_pread", calls.attr_pread)) {
            failure = std::string(ZELVAN_NTFS3G_SONAME " cannot be loaded: ") + ::dlerror();
            return;
        }
        // The library's messages would go to standard error; Windows' go
        // nowhere, and its errors tell a mount why it failed.
        calls.log_set_handler(KeepErrors);
    }
};

const LoadedNtfs3g& Library() {
    static const LoadedNtfs3g loaded;
    return loaded;
}

} // namespace

NtfsMount MountNtfs(const Backing& medium) {
    NtfsMount result;
    const LoadedNtfs3g& loaded = Library();
    if (!loaded.failure.empty()) {
        result.reason = loaded.failure;
        return result;
    }
    const Ntfs3g& ntfs = loaded.calls;
    DeviceState state{&medium, 0, {}};
    const ErrorsKept errors;
    // Why it failed: the medium, else what the library found damaged, else
    // the error it ended with.
    const auto failed = [&](std::string otherwise) {
        if (!state.readFailure.empty())
            result.reason = state.readFailure;
        else if (!(result.damage = errors.Text()).empty())
            result.reason.clear();
        else
            result.reason = std::move(otherwise);
        return result;
    };
    const auto freeDevice = [&](ntfs_device* device) { ntfs.device_free(device); };
    std::unique_ptr<ntfs_device, decltype(freeDevice)> device(ntfs.device_alloc("hosted", 0, &readOnlyMedium, &state),
                                                              freeDevice);
    if (!device) return failed(std::strerror(errno));
    // Unmounting also frees the device.
    const auto unmount = [&](ntfs_volume* volume) { ntfs.umount(volume, FALSE); };
    const std::unique_ptr<ntfs_volume, decltype(unmount)> volume(ntfs.device_mount(device.get(), NTFS_MNT_RDONLY),
                                                                 unmount);
    if (!volume) return failed(std::strerror(errno));
    device.release();
    // $Bitmap, a cluster to a bit, read in large pieces and counted as an
    // exFAT allocation bitmap is; the boot sector's reader has kept the
    // clusters within 32 bits.
    const s64 clusters = std::min<s64>(volume->nr_clusters, UINT32_MAX);
    FreeBitCounter counter(static_cast<std::uint32_t>(clusters));
    std::vector<std::uint8_t> piece(bitmapPieceBytes);
    for (s64 at = 0, bytes = (clusters + 7) / 8; at < bytes;) {
        const s64 got = ntfs.attr_pread(volume->lcnbmp_na, at, std::min<s64>(bytes - at, s64{bitmapPieceBytes}),
                                        piece.data());
        if (got <= 0) return failed("its $Bitmap cannot be read");
        counter({piece.data(), static_cast<std::size_t>(got)});
        at += got;
    }
    result.mounted = true;
    result.freeClusters = counter.Free();
    return result;
}

} // namespace hosted
