// The medium behind a drive letter: a disk image or a block device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "win32/hosted/file_identity.h"
#include "win32/hosted/medium_window.h"
#include "win32/hosted/result.h"
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

// One opening of a medium, or of the part of it that a window takes (a
// partition), which is then the whole of what it reads, writes and
// measures. I/O is positioned, so openings never share an offset; each
// opening has its own flock(2) state, which is how volume handles and locks
// of other processes are seen (of the whole file: drives that take parts of
// one file share its locks).
class Backing {
public:
    // What `path` names now, when it is a medium. Anything that is neither a
    // regular file nor a block device (a folder, a FIFO, a character device)
    // is refused without being opened, so that nothing waits for a writer:
    // ERROR_NOT_READY, or ERROR_ACCESS_DENIED for a file the program may not
    // open so, with what is wrong in words ("does not exist", "is a FIFO,
    // not a disk image or block device").
    static Result<PathStatus> Examine(const std::string& path);
    // Examines `path`, then opens it.
    static Result<Backing> Open(const std::string& path, bool writable, const MediumWindow& window = {});
    // Opens `path` after Examine has passed it.
    struct Examined {};
    static Result<Backing> Open(const std::string& path, bool writable, const MediumWindow& window, Examined);

    // How the file stood when this opening was made, and whether it may write.
    const PathStatus& Seen() const { return seen_; }
    bool Writable() const { return writable_; }
    const MediumWindow& Window() const { return window_; }

    // The medium's size now (an image may have shrunk since the open): what
    // of the window it holds.
    std::optional<std::uint64_t> Size() const;
    std::optional<MediumStamp> Stamp() const;
    // The device's logical sector size: 512 for an image.
    unsigned SectorSize() const { return sectorSize_; }

    struct Transfer {
        std::size_t bytes; // stops short at the end of the medium or the window
        int error;         // errno, 0 on success
    };
    // At `offset` within the window.
    Transfer ReadAt(void* buffer, std::size_t length, std::uint64_t offset) const;
    Transfer WriteAt(const void* buffer, std::size_t length, std::uint64_t offset) const;
    // How many times WriteAt has set out to write bytes to any medium of this
    // process, whatever came of it.
    static std::uint64_t WritesBegun();

    // Advisory locks that never wait; false when another opening conflicts.
    bool TryShare() const;
    bool TryExclusive() const;
    void Unlock() const;

private:
    Backing(UniqueFd fd, unsigned sectorSize, const PathStatus& seen, bool writable, const MediumWindow& window)
        : fd_(std::move(fd)), sectorSize_(sectorSize), seen_(seen), writable_(writable), window_(window) {}
    // `length` bytes at `offset` of the window, cut at its end.
    std::size_t WithinWindow(std::size_t length, std::uint64_t offset) const;

    UniqueFd fd_;
    unsigned sectorSize_;
    PathStatus seen_;
    bool writable_;
    MediumWindow window_;
};

} // namespace hosted
