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
    // Why it did not mount, or its $Bitmap could not be counted: the medium
    // could not be read, or the library is missing; empty for a volume the
    // library found damaged.
    std::string reason;
    // Where the library found the volume damaged, in its words: "record 0
    // has no FILE magic (0xaddeadde); failed to load $MFT: Input/output error".
    std::string damage;
};
// Mounts the NTFS volume on `medium` read-only, through the hosted PC's own
// opening of it, and counts the clear bits of $Bitmap.
NtfsMount MountNtfs(const Backing& medium);

} // namespace hosted
