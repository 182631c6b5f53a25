// A package installed as an IDE installs one: loaded through the runtime,
// its Register called by the name this host's build exports it under, and
// unloaded when the host lets go of it.
#pragma once

#include <string>

#include "win32/win32.h"

namespace zelvan_host {

class InstalledPackage {
public:
    // Throws tools::Failure with the loader's message when the package is
    // refused, or when it exports no Register of this build.
    explicit InstalledPackage(const std::string& file);
    ~InstalledPackage();
    InstalledPackage(const InstalledPackage&) = delete;
    InstalledPackage& operator=(const InstalledPackage&) = delete;
    HMODULE Module() const { return module_; }

private:
    HMODULE module_;
};

// The package of this host's build, looked for beside the host: what it
// installs before it reads forms or shows classes.
const std::string& OwnPackage();

} // namespace zelvan_host
