#include "zelvan-host/package_file.h"

#include <filesystem>
#include <system_error>

#include "win32/win32.h"

namespace zelvan_host {

namespace fs = std::filesystem;

namespace {

fs::path HostFolder() {
    char program[1024];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    return fs::path(std::string(program, length < sizeof program ? length : 0)).parent_path();
}

} // namespace

std::string PackageFile(const std::string& name) {
    fs::path file(name);
    std::error_code error;
    if (!file.has_parent_path() && !fs::exists(fs::symlink_status(file, error))) file = HostFolder() / file;
    file = fs::absolute(file, error).lexically_normal();
    tools::CheckInputFile(file, moduleFile);
    return file.string();
}

std::string OwnPackageFile() { return PackageFile((HostFolder() / ZELVAN_OWN_PACKAGE).string()); }

} // namespace zelvan_host
