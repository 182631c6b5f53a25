// Opening the medium behind a mapped drive: the one way the machine does it.
#pragma once

#include <optional>

#include "win32/hosted/backing.h"
#include "win32/hosted/hosted_pc.h"
#include "win32/hosted/result.h"

namespace hosted {

// The medium of `drive`, for writing too when `writable`. Write access to a
// drive mapped read-only is ERROR_ACCESS_DENIED, as is a file the program
// may not open so; a missing, empty-named or non-medium path is
// ERROR_NOT_READY. `kept`, a medium opened from the drive's path before,
// serves again when the path still names that file, unchanged since, and it
// was opened for writing if that is asked for, with the drive's window;
// otherwise it is let go of,
// unless the read-only drive refuses the request before anything is looked at.
Result<Backing> OpenMedium(const DriveSpec& drive, bool writable, std::optional<Backing>* kept = nullptr);

} // namespace hosted
