#include "win32/hosted/drive_media.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace hosted {

MediumOpening OpenMedium(const DriveSpec& drive, bool writable) {
    MediumOpening opening;
    if (writable && drive.readOnly) {
        opening.error = ERROR_ACCESS_DENIED;
        return opening;
    }
    int error = 0;
    opening.medium = Backing::Open(drive.path, writable, error);
    return opening.medium ? std::move(opening) : FailedOpening(error);
}

MediumOpening FailedOpening(int systemError) {
    const bool refused = systemError == EACCES || systemError == EPERM || systemError == EROFS;
    return {std::nullopt, refused ? ERROR_ACCESS_DENIED : ERROR_NOT_READY, systemError};
}

namespace {
const char* FileTypeName(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return nullptr;
    if (S_ISFIFO(info.st_mode)) return "a FIFO";
    if (S_ISCHR(info.st_mode)) return "a character device";
    if (S_ISSOCK(info.st_mode)) return "a socket";
    return nullptr;
}
} // namespace

std::string UnopenableReason(const std::string& path, int systemError) {
    switch (systemError) {
    case ENOENT: return "does not exist";
    case ENOTDIR: return "does not exist (a part of its path is not a folder)";
    case ELOOP: return "is a loop of symbolic links";
    case EISDIR: return "is a folder, not a disk image or block device";
    case ENODEV:
        if (const char* type = FileTypeName(path)) return std::string("is ") + type + ", not a disk image or block device";
        return "is not a disk image or block device";
    default: return std::string("cannot be opened: ") + std::strerror(systemError);
    }
}

} // namespace hosted
