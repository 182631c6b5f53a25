#include "win32/hosted/drive_media.h"

#include <cerrno>

namespace hosted {

MediumOpening OpenMedium(const DriveSpec& drive, bool writable) {
    MediumOpening opening;
    if (writable && drive.readOnly) {
        opening.error = ERROR_ACCESS_DENIED;
        return opening;
    }
    int error = 0;
    opening.medium = Backing::Open(drive.path, writable, error);
    if (!opening.medium)
        opening.error = (error == EACCES || error == EPERM || error == EROFS) ? ERROR_ACCESS_DENIED : ERROR_NOT_READY;
    return opening;
}

} // namespace hosted
