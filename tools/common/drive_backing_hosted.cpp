// The hosted machine's drives are files, which a tool must not take for its
// own output.
#include "common/files.h"
#include "win32/hosted/hosted_pc.h"

namespace tools {

std::optional<char> DriveBackedBy(const std::filesystem::path& path) { return hosted::DriveBackedBy(path.string()); }

} // namespace tools
