// Volumes as a FAT driver mounts them: the free clusters are counted when a
// volume is first measured and kept, as the driver keeps them, until the
// medium is another file, has changed (its size or its times), or this
// machine has written to it. So measuring a drive again costs no FAT scan.
#pragma once

#include <map>

#include "win32/hosted/backing.h"
#include "win32/hosted/fat_volume.h"

namespace hosted {

class VolumeMounts {
public:
    // The volume on `medium`, which is drive `letter`'s.
    VolumeProbe Measure(char letter, const Backing& medium);
    void Forget(char letter) { mounts_.erase(letter); }
    void Clear() { mounts_.clear(); }

private:
    struct Mount {
        MediumStamp stamp;
        VolumeProbe probe;
    };
    std::map<char, Mount> mounts_;
};

} // namespace hosted
