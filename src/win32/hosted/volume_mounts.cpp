#include "win32/hosted/volume_mounts.h"

namespace hosted {

Result<MountedVolume> VolumeMounts::Measure(char letter, const Backing& medium, bool nt) {
    // Stamped before the scan: a change made during it shows at the next measurement.
    const std::optional<MediumStamp> stamp = medium.Stamp();
    if (auto mounted = counted_.find(letter); mounted != counted_.end()) {
        if (stamp && mounted->second.stamp == *stamp && mounted->second.nt == nt) return mounted->second.reading;
        counted_.erase(mounted);
    }
    Result<MountedVolume> reading = ReadVolume(medium, nt, true);
    if (stamp) counted_.insert_or_assign(letter, Count{*stamp, nt, reading});
    return reading;
}

std::optional<MountedVolume> VolumeMounts::Mounted(char letter, const Backing& medium) {
    if (auto mounted = mounted_.find(letter); mounted != mounted_.end()) return mounted->second;
    const Result<MountedVolume> reading = ReadVolume(medium, true, false);
    return mounted_.emplace(letter, reading ? std::optional(*reading) : std::nullopt).first->second;
}

} // namespace hosted
