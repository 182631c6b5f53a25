// Media the machine keeps open between uses, as a drive keeps its disk in
// it. A medium given back is kept, one per drive letter, and the next use
// of that letter takes it without opening the file again when the drive's
// path still names the same file, unchanged since it was opened (the same
// identity and status-change time), and it was opened for writing if the
// use needs that. Kept media hold no flock(2): other processes see nothing
// of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "win32/hosted/drive_media.h"

namespace hosted {

class MediaShelf {
public:
    // The medium of drive `letter`, by OpenMedium with the one kept for it.
    Result<Backing> Take(char letter, const DriveSpec& drive, bool writable);
    // Keeps `medium`, opened from `path` for drive `letter`, for the next Take.
    void Keep(char letter, const std::string& path, Backing medium);
    void Clear() { kept_.clear(); }

private:
    // A drive's place on the shelf stays when its medium is taken, so that
    // a medium taken and given back again and again costs no allocation.
    struct Kept {
        char letter;
        std::string path;
        std::optional<Backing> medium;
    };
    std::vector<Kept> kept_;
};

// A medium a VWIN32 device handle has reached, held by the handle until it
// closes, as a drive holds its disk: taken from the shelf at the handle's
// first request for the drive, its size looked at once.
struct HeldMedium {
    char letter;
    std::string path;
    Backing medium;
    std::optional<std::uint64_t> size;
};

// The medium of drive `letter` for a request that writes when `writable`:
// the one `held` holds, else one taken from `shelf` and held from now on.
Result<const HeldMedium*> ReachMedium(MediaShelf& shelf, std::vector<HeldMedium>& held, char letter,
                                      const DriveSpec& drive, bool writable);
// Gives every held medium back to `shelf`.
void GiveBack(MediaShelf& shelf, std::vector<HeldMedium>& held);

} // namespace hosted
