#include "win32/hosted/drive_media.h"

#include <utility>

namespace hosted {

Result<Backing> OpenMedium(const DriveSpec& drive, bool writable, std::optional<Backing>* kept) {
    if (writable && drive.readOnly) return Refusal{ERROR_ACCESS_DENIED, "is mapped read-only"};
    std::optional<Backing> before;
    if (kept) before = std::exchange(*kept, std::nullopt);
    const Result<PathStatus> now = Backing::Examine(drive.path);
    if (!now) return now.Refused();
    if (before && before->Seen() == *now && before->Window() == drive.window && (before->Writable() || !writable))
        return std::move(*before);
    return Backing::Open(drive.path, writable, drive.window, Backing::Examined{});
}

} // namespace hosted
