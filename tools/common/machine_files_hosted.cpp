// The hosted machine's drives are files, and so are its modules: a tool
// must not take either for its own output. Its trace is a file too, which
// must be whole.
#include "common/files.h"
#include "common/outcome.h"
#include "win32/hosted/hosted_pc.h"

namespace tools {

std::optional<char> DriveBackedBy(const std::filesystem::path& path) { return hosted::DriveBackedBy(path.string()); }

std::optional<std::string> LoadedModuleAt(const std::filesystem::path& path) {
    return hosted::LoadedModuleFile(path.string());
}

std::optional<std::string> ModuleFileFault(const std::filesystem::path& path) {
    return hosted::ModuleFileFault(path.string());
}

void CheckTrace() {
    if (const std::optional<std::string> failure = hosted::TraceFailure()) throw Failure(*failure);
}

} // namespace tools
