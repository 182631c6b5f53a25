// libntfs-3g, kept in a file of its own: its headers declare BOOL, TRUE and
// GENERIC_READ as win32.h does, so no file sees both.
#pragma once

#include <cstdint>
#include <string>

#include "win32/hosted/backing.h"

namespace hosted {

struct NtfsMount {
    bool mounted = false;
    std::uint64_t freeClusters = 0; // as $Bitmap marks them
    std::string reason;             // why it did not mount, or its $Bitmap could not be counted
};
// Mounts the NTFS volume on `medium` read-only, through the hosted PC's own
// opening of it, and counts the clear bits of $Bitmap.
NtfsMount MountNtfs(const Backing& medium);

} // namespace hosted
