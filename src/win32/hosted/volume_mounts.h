// Volumes as the file system drivers mount them: the free clusters are
// counted when a volume is first measured and kept, as a driver keeps them,
// until the medium is another file, has changed (its size or its times), or
// this machine has written to it. So measuring a drive again costs no scan of
// its FAT or bitmap. A volume that could not be measured is kept so too, as
// Windows keeps a medium it found no file system on until the medium changes.
#pragma once

#include <map>
#include <optional>

#include "win32/hosted/backing.h"
#include "win32/hosted/volume_reading.h"

namespace hosted {

class VolumeMounts {
public:
    // The volume on `medium`, which is drive `letter`'s, as NT mounts it
    // (`nt`) or as Windows 95/98 do, with its free clusters counted; or why
    // there is none.
    Result<MountedVolume> Measure(char letter, const Backing& medium, bool nt);
    // The file system NT has mounted on drive `letter`, whose space Vista's
    // rule for raw writes guards: read from `medium` the first time it is
    // asked for and kept, as the driver keeps its mount, until the volume is
    // dismounted or unlocked, whatever is written to it meanwhile. Nothing
    // when NT mounts none (the volume is raw).
    std::optional<MountedVolume> Mounted(char letter, const Backing& medium);

    // This machine wrote to the drive: its free clusters are counted afresh.
    void Written(char letter) { counted_.erase(letter); }
    // The drive's volume was dismounted, unlocked or given another medium:
    // it is read afresh.
    void Forget(char letter) {
        counted_.erase(letter);
        mounted_.erase(letter);
    }
    void Clear() {
        counted_.clear();
        mounted_.clear();
    }

private:
    struct Count {
        MediumStamp stamp;
        bool nt;
        Result<MountedVolume> reading;
    };
    std::map<char, Count> counted_;
    std::map<char, std::optional<MountedVolume>> mounted_;
};

} // namespace hosted
