// Windows' drives are devices, not files a tool could be given to write;
// and Windows itself refuses to replace the file of a module it has mapped.
#include "common/files.h"

namespace tools {

std::optional<char> DriveBackedBy(const std::filesystem::path&) { return std::nullopt; }

std::optional<std::string> LoadedModuleAt(const std::filesystem::path&) { return std::nullopt; }

std::optional<std::string> ModuleFileFault(const std::filesystem::path&) { return std::nullopt; }

void CheckTrace() {}

} // namespace tools
