#include "win32/hosted/backing.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "win32/win32.h"

namespace hosted {

namespace {

// A disk image or a block device; ENODEV or EISDIR for anything else.
int MediumTypeError(mode_t mode) {
    if (S_ISREG(mode) || S_ISBLK(mode)) return 0;
    return S_ISDIR(mode) ? EISDIR : ENODEV;
}

const char* FileTypeName(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return nullptr;
    if (S_ISFIFO(info.st_mode)) return "a FIFO";
    if (S_ISCHR(info.st_mode)) return "a character device";
    if (S_ISSOCK(info.st_mode)) return "a socket";
    return nullptr;
}

// Why `path` could not be opened as a medium, from errno `error`, as
// Windows sees a medium that cannot be opened.
Refusal Unopenable(const std::string& path, int error) {
    const DWORD windows = error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED : ERROR_NOT_READY;
    switch (error) {
    case ENOENT: return {windows, "does not exist"};
    case ENOTDIR: return {windows, "does not exist (a part of its path is not a folder)"};
    case ELOOP: return {windows, "is a loop of symbolic links"};
    case EISDIR: return {windows, "is a folder, not a disk image or block device"};
    case ENODEV:
        if (const char* type = FileTypeName(path))
            return {windows, std::string("is ") + type + ", not a disk image or block device"};
        return {windows, "is not a disk image or block device"};
    default: return {windows, std::string("cannot be opened: ") + std::strerror(error)};
    }
}

std::int64_t Nanoseconds(const timespec& time) { return std::int64_t{time.tv_sec} * 1000000000 + time.tv_nsec; }

PathStatus StatusOf(const struct stat& info) { return {IdentityOf(info), Nanoseconds(info.st_ctim)}; }

} // namespace

Result<PathStatus> Backing::Examine(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return Unopenable(path, errno);
    if (const int error = MediumTypeError(info.st_mode)) return Unopenable(path, error);
    return StatusOf(info);
}

Result<Backing> Backing::Open(const std::string& path, bool writable, const MediumWindow& window, Examined) {
    // The open does not wait: a FIFO or a terminal put in place since
    // Examine looked is found by fstat.
    UniqueFd fd(::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) return Unopenable(path, errno);
    if (const int error = MediumTypeError(info.st_mode)) return Unopenable(path, error);
    unsigned sectorSize = 512;
    if (S_ISBLK(info.st_mode)) {
        // A regular file ignores O_NONBLOCK; a device's reads must wait.
        if (::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK) != 0) return Unopenable(path, errno);
        int logical = 0;
        if (::ioctl(fd.get(), BLKSSZGET, &logical) == 0 && logical > 0) sectorSize = static_cast<unsigned>(logical);
    }
    return Backing(std::move(fd), sectorSize, StatusOf(info), writable, window);
}

Result<Backing> Backing::Open(const std::string& path, bool writable, const MediumWindow& window) {
    const Result<PathStatus> status = Examine(path);
    if (!status) return status.Refused();
    return Open(path, writable, window, Examined{});
}

std::optional<std::uint64_t> Backing::Size() const {
    off_t end = ::lseek(fd_.get(), 0, SEEK_END);
    if (end < 0) return std::nullopt;
    const std::uint64_t beyond = static_cast<std::uint64_t>(end) - std::min<std::uint64_t>(end, window_.offset);
    return window_.length ? std::min(beyond, *window_.length) : beyond;
}

std::size_t Backing::WithinWindow(std::size_t length, std::uint64_t offset) const {
    if (!window_.length) return length;
    return offset >= *window_.length ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(length, *window_.length - offset));
}

std::optional<MediumStamp> Backing::Stamp() const {
    struct stat info {};
    std::optional<std::uint64_t> size = Size();
    if (!size || ::fstat(fd_.get(), &info) != 0) return std::nullopt;
    return MediumStamp{IdentityOf(info), *size, Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim)};
}

namespace {

std::atomic<std::uint64_t> writesBegun{0};

// Repeats a positioned read or write until `length` bytes have moved, going
// on after an interruption; it stops short at the end of the medium.
template <class Byte, class Move>
Backing::Transfer MoveAll(Byte* bytes, std::size_t length, std::uint64_t offset, Move move) {
    std::size_t done = 0;
    while (done < length) {
        ssize_t moved = move(bytes + done, length - done, static_cast<off_t>(offset + done));
        if (moved < 0) {
            if (errno == EINTR) continue;
            return {done, errno};
        }
        if (moved == 0) break;
        done += static_cast<std::size_t>(moved);
    }
    return {done, 0};
}

} // namespace

Backing::Transfer Backing::ReadAt(void* buffer, std::size_t length, std::uint64_t offset) const {
    return MoveAll(static_cast<char*>(buffer), WithinWindow(length, offset), window_.offset + offset,
                   [this](char* at, std::size_t count, off_t from) { return ::pread(fd_.get(), at, count, from); });
}

std::uint64_t Backing::WritesBegun() { return writesBegun.load(std::memory_order_relaxed); }

Backing::Transfer Backing::WriteAt(const void* buffer, std::size_t length, std::uint64_t offset) const {
    if (length > 0) writesBegun.fetch_add(1, std::memory_order_relaxed);
    return MoveAll(static_cast<const char*>(buffer), WithinWindow(length, offset), window_.offset + offset,
                   [this](const char* at, std::size_t count, off_t from) { return ::pwrite(fd_.get(), at, count, from); });
}

bool Backing::TryShare() const { return ::flock(fd_.get(), LOCK_SH | LOCK_NB) == 0; }
bool Backing::TryExclusive() const { return ::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0; }
void Backing::Unlock() const { ::flock(fd_.get(), LOCK_UN); }

} // namespace hosted
