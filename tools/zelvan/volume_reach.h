// What of a volume the component reaches: the sectors of its medium, what
// its boot sector lays out, and the sectors from the size bound on that read
// and write never move, with the reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "orvane/orvane.h"
#include "zelvan/drive_facts.h"
#include "zelvan/volume_layout.h"

namespace zelvan_cli {

struct VolumeReach {
    std::optional<std::uint64_t> mediumSectors; // when the machine tells the medium's size
    std::optional<VolumeLayout> layout;         // from the boot sector, read through the component
    std::string unread;                         // why it could not be read, when it could not
    // The medium's sectors where the machine tells, else the volume's.
    std::optional<std::uint64_t> Sectors() const;
};

// Asks the machine for the medium's size and reads sector 0 of `drive`,
// which `zelvan` has selected, through the component.
VolumeReach LookAtVolume(Orvane::TZelvan& zelvan, const DriveFacts& drive);

// "sectors 2846 to 2879 (34 sectors): a run ends below B ..., and B counts
// the clusters' 2847 sectors alone, while the boot area, FATs and root folder
// take sectors 0 to 32 before them"; "none" when read and write reach every
// sector.
std::string OutOfReach(const DriveFacts& drive, const VolumeReach& reach);

// "1440 (80 cylinders, 2 heads, 18 sectors per track)": the FORMAT of the
// medium's size; nothing when its size is not known.
std::optional<std::string> FloppyFormatLine(const DriveFacts& drive, const VolumeReach& reach);

} // namespace zelvan_cli
