// Volumes as the file system drivers mount them: the free clusters are
// counted when a volume is first measured and kept, as a driver keeps them,
// until the medium is another file, has changed (its size or its times), or
// this machine has written to it. So measuring a drive again costs no scan of
// its FAT or bitmap.
#pragma once

#include <map>

#include "win32/hosted/backing.h"
#include "win32/hosted/volume_reading.h"

namespace hosted {

class VolumeMounts {
public:
    // The volume on `medium`, which is drive `letter`'s, as NT mounts it
    // (`nt`) or as Windows 95/98 do, with its free clusters counted.
    VolumeReading Measure(char letter, const Backing& medium, bool nt);
    void Forget(char letter) { counted_.erase(letter); }
    void Clear() { counted_.clear(); }

private:
    struct Count {
        MediumStamp stamp;
        bool nt;
        VolumeReading reading;
    };
    std::map<char, Count> counted_;
};

} // namespace hosted
