// Windows' drives are devices, not files a tool could be given to write.
#include "common/files.h"

namespace tools {

std::optional<char> DriveBackedBy(const std::filesystem::path&) { return std::nullopt; }

} // namespace tools
