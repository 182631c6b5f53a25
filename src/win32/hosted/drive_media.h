// Opening the medium behind a mapped drive, with the Windows error of a
// medium that cannot be opened, and what is wrong with it in words.
#pragma once

#include <optional>
#include <string>

#include "win32/hosted/backing.h"
#include "win32/hosted/hosted_pc.h"

namespace hosted {

struct MediumOpening {
    std::optional<Backing> medium;
    DWORD error = ERROR_SUCCESS; // ERROR_ACCESS_DENIED or ERROR_NOT_READY
    int systemError = 0;         // errno of the failed open; 0 for a drive mapped read-only
};
// Write access to a read-only drive or file is ERROR_ACCESS_DENIED; a
// missing, empty-named or non-medium path is ERROR_NOT_READY.
MediumOpening OpenMedium(const DriveSpec& drive, bool writable);
// The opening that failed with errno `systemError`, with its Windows error.
MediumOpening FailedOpening(int systemError);

// Why `path` could not be opened as a medium, from the errno of the open:
// "does not exist", "is a FIFO, not a disk image or block device".
std::string UnopenableReason(const std::string& path, int systemError);

} // namespace hosted
