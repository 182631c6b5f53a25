// Which build a runtime package is, against what its file's name says.
#include <string>

#include "vcl/modules.h"
#include "vcl/packages.h"
#include "vcl/sysutils.h"

namespace vcl {

namespace {

struct TRuntimePackage {
    std::string_view Name; // as packages require it
    std::string_view File;
};

// Each build's runtime package, by the file name the build gives it.
constexpr TRuntimePackage RuntimePackages[] = {{"vcl40", ZELVAN_RUNTIME_FILE_VCL40}, {"vcl30", ZELVAN_RUNTIME_FILE_VCL30}};

// Empty when this runtime is the build its file's name says, or lies in a
// file that names no runtime package (a program linked with the runtime).
std::string Mismatch() {
    char path[1024];
    const HINSTANCE self = FindHInstance(RuntimePackages);
    const DWORD length = self ? GetModuleFileNameA(self, path, sizeof path) : 0;
    if (length == 0 || length >= sizeof path) return {};
    const std::string file(path, length);
    const std::string_view name = std::string_view(file).substr(file.find_last_of("/\\") + 1);
    std::string_view own;
    for (const TRuntimePackage& package : RuntimePackages)
        if (package.Name == RuntimePackageName()) own = package.File;
    for (const TRuntimePackage& claimed : RuntimePackages)
        if (claimed.Name != RuntimePackageName() && SameText(name, claimed.File))
            return "the runtime package " + file + " is the " + std::string(RuntimePackageName()) + " runtime (" +
                   std::string(own) + "), not the " + std::string(claimed.Name) + " one its name says";
    return {};
}

const std::string& TheMismatch() {
    static const std::string mismatch = Mismatch();
    return mismatch;
}

// The runtime's start-up.
[[maybe_unused]] const bool checkedAtStart = (TheMismatch(), true);

} // namespace

void CheckRuntimePackage() {
    if (!TheMismatch().empty()) throw EPackageError(TheMismatch());
}

} // namespace vcl
