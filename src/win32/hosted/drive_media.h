// Opening the medium behind a mapped drive, with the Windows error of a
// medium that cannot be opened.
#pragma once

#include <optional>

#include "win32/hosted/backing.h"
#include "win32/hosted/hosted_pc.h"

namespace hosted {

struct MediumOpening {
    std::optional<Backing> medium;
    DWORD error = ERROR_SUCCESS; // ERROR_ACCESS_DENIED or ERROR_NOT_READY
};
// Write access to a read-only drive or file is ERROR_ACCESS_DENIED; a
// missing, empty-named or non-medium path is ERROR_NOT_READY.
MediumOpening OpenMedium(const DriveSpec& drive, bool writable);

} // namespace hosted
