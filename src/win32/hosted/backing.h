// The medium behind a drive letter: a disk image or a block device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "win32/hosted/file_identity.h"
#include "win32/hosted/unique_fd.h"

namespace hosted {

// Which file a medium is, and how it stood when it was last looked at.
struct MediumStamp {
    FileIdentity file;
    std::uint64_t size;
    std::int64_t modified, changed; // nanoseconds
    bool operator==(const MediumStamp&) const = default;
};

// One opening of a medium. I/O is positioned, so openings never share an
// offset; each opening has its own flock(2) state, which is how volume
// handles and locks of other processes are seen.
class Backing {
public:
    // nullopt with errno in `error` when the path is not an openable medium:
    // EISDIR for a folder, ENODEV for anything else that is neither a
    // regular file nor a block device (a FIFO, a character device), which is
    // refused without being opened, so that nothing waits for a writer.
    static std::optional<Backing> Open(const std::string& path, bool writable, int& error);

    // The medium's size now (an image may have shrunk since the open).
    std::optional<std::uint64_t> Size() const;
    std::optional<MediumStamp> Stamp() const;
    // The device's logical sector size: 512 for an image.
    unsigned SectorSize() const { return sectorSize_; }

    struct Transfer {
        std::size_t bytes; // stops short at the end of the medium
        int error;         // errno, 0 on success
    };
    Transfer ReadAt(void* buffer, std::size_t length, std::uint64_t offset) const;
    Transfer WriteAt(const void* buffer, std::size_t length, std::uint64_t offset) const;

    // Advisory locks that never wait; false when another opening conflicts.
    bool TryShare() const;
    bool TryExclusive() const;

private:
    Backing(UniqueFd fd, unsigned sectorSize) : fd_(std::move(fd)), sectorSize_(sectorSize) {}
    UniqueFd fd_;
    unsigned sectorSize_;
};

} // namespace hosted
