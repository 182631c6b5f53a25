#include "win32/hosted/media_shelf.h"

#include <algorithm>
#include <utility>

namespace hosted {

Result<Backing> MediaShelf::Take(char letter, const DriveSpec& drive, bool writable) {
    auto found = std::find_if(kept_.begin(), kept_.end(), [letter](const Kept& k) { return k.letter == letter; });
    if (found == kept_.end()) return OpenMedium(drive, writable);
    std::optional<Backing> kept = std::exchange(found->medium, std::nullopt);
    if (found->path != drive.path) kept.reset();
    Result<Backing> medium = OpenMedium(drive, writable, &kept);
    found->medium = std::move(kept);
    return medium;
}

void MediaShelf::Keep(char letter, const std::string& path, Backing medium) {
    auto found = std::find_if(kept_.begin(), kept_.end(), [letter](const Kept& k) { return k.letter == letter; });
    if (found == kept_.end()) {
        kept_.push_back({letter, path, std::move(medium)});
        return;
    }
    if (found->path != path) found->path = path;
    found->medium = std::move(medium);
}

Result<const HeldMedium*> ReachMedium(MediaShelf& shelf, std::vector<HeldMedium>& held, char letter,
                                      const DriveSpec& drive, bool writable) {
    auto found = std::find_if(held.begin(), held.end(), [letter](const HeldMedium& h) { return h.letter == letter; });
    if (found != held.end() && found->path == drive.path && found->medium.Window() == drive.window &&
        (found->medium.Writable() || !writable))
        return &*found;
    // Another file mapped meanwhile, or a first write: open it anew.
    if (found != held.end()) held.erase(found);
    Result<Backing> opened = shelf.Take(letter, drive, writable);
    if (!opened) return opened.Refused();
    const std::optional<std::uint64_t> size = opened->Size();
    held.push_back({letter, drive.path, std::move(*opened), size});
    return &held.back();
}

void GiveBack(MediaShelf& shelf, std::vector<HeldMedium>& held) {
    for (HeldMedium& medium : held) shelf.Keep(medium.letter, medium.path, std::move(medium.medium));
    held.clear();
}

} // namespace hosted
