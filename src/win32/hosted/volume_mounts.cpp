#include "win32/hosted/volume_mounts.h"

namespace hosted {

VolumeProbe VolumeMounts::Measure(char letter, const Backing& medium) {
    // Stamped before the scan: a change made during it shows at the next measurement.
    const std::optional<MediumStamp> stamp = medium.Stamp();
    if (auto mounted = mounts_.find(letter); mounted != mounts_.end()) {
        if (stamp && mounted->second.stamp == *stamp) return mounted->second.probe;
        mounts_.erase(mounted);
    }
    VolumeProbe probe = ProbeVolume(medium, true);
    if (stamp && probe.layout) mounts_.insert_or_assign(letter, Mount{*stamp, probe});
    return probe;
}

} // namespace hosted
