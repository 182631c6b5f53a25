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

// What a path names, looked at without opening it: which file, and when
// its status last changed (every write, truncation or change of mode does
// that). Two looks that agree saw the same file, unchanged between them.
struct PathStatus {
    FileIdentity file;
    std::int64_t changed; // nanoseconds
    bool operator==(const PathStatus&) const = default;
};

// One opening of a medium. I/O is positioned, so openings never share an
// offset; each opening has its own flock(2) state, which is how volume
// handles and locks of other processes are seen.
class Backing {
public:
    // What `path` names now, when it is a medium: nullopt with errno in
    // `error` otherwise, EISDIR for a folder, ENODEV for anything else that
    // is neither a regular file nor a block device (a FIFO, a character
    // device), which is refused without being opened, so that nothing waits
    // for a writer.
    static std::optional<PathStatus> Examine(const std::string& path, int& error);
    // Examines `path`, then opens it.
    static std::optional<Backing> Open(const std::string& path, bool writable, int& error);
    // Opens `path` after Examine has passed it.
    struct Examined {};
    static std::optional<Backing> Open(const std::string& path, bool writable, int& error, Examined);

    // How the file stood when this opening was made, and whether it may write.
    const PathStatus& Seen() const { return seen_; }
    bool Writable() const { return writable_; }

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
    void Unlock() const;

private:
    Backing(UniqueFd fd, unsigned sectorSize, const PathStatus& seen, bool writable)
        : fd_(std::move(fd)), sectorSize_(sectorSize), seen_(seen), writable_(writable) {}
    UniqueFd fd_;
    unsigned sectorSize_;
    PathStatus seen_;
    bool writable_;
};

} // namespace hosted
