#include "win32/hosted/media_shelf.h"

#include <algorithm>
#include <utility>

namespace hosted {

MediumOpening MediaShelf::Take(char letter, const DriveSpec& drive, bool writable) {
    if (writable && drive.readOnly) return {std::nullopt, ERROR_ACCESS_DENIED, 0};
    int error = 0;
    const std::optional<PathStatus> now = Backing::Examine(drive.path, error);
    std::optional<Backing> kept;
    auto found = std::find_if(kept_.begin(), kept_.end(), [letter](const Kept& k) { return k.letter == letter; });
    if (found != kept_.end()) {
        if (now && found->path == drive.path && found->medium.Seen() == *now && (found->medium.Writable() || !writable))
            kept = std::move(found->medium);
        kept_.erase(found);
    }
    if (!now) return FailedOpening(error);
    if (!kept) kept = Backing::Open(drive.path, writable, error, Backing::Examined{});
    if (!kept) return FailedOpening(error);
    return {std::move(kept), ERROR_SUCCESS, 0};
}

void MediaShelf::Keep(char letter, std::string path, Backing medium) {
    std::erase_if(kept_, [letter](const Kept& k) { return k.letter == letter; });
    kept_.push_back({letter, std::move(path), std::move(medium)});
}

const HeldMedium* ReachMedium(MediaShelf& shelf, std::vector<HeldMedium>& held, char letter, const DriveSpec& drive,
                              bool writable, DWORD& error) {
    auto found = std::find_if(held.begin(), held.end(), [letter](const HeldMedium& h) { return h.letter == letter; });
    if (found != held.end() && found->path == drive.path && (found->medium.Writable() || !writable)) return &*found;
    // Another file mapped meanwhile, or a first write: open it anew.
    if (found != held.end()) held.erase(found);
    MediumOpening opening = shelf.Take(letter, drive, writable);
    if (!opening.medium) {
        error = opening.error;
        return nullptr;
    }
    const std::optional<std::uint64_t> size = opening.medium->Size();
    held.push_back({letter, drive.path, std::move(*opening.medium), size});
    return &held.back();
}

void GiveBack(MediaShelf& shelf, std::vector<HeldMedium>& held) {
    for (HeldMedium& medium : held) shelf.Keep(medium.letter, std::move(medium.path), std::move(medium.medium));
    held.clear();
}

} // namespace hosted
