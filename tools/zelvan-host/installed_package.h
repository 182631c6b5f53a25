// A package installed as an IDE installs one: loaded through the runtime,
// its Register called by the name this host's build exports it under, and
// unloaded when the command is done with it.
#pragma once

#include <string>

#include "win32/win32.h"

namespace zelvan_host {

class InstalledPackage {
public:
    // `file` as PackageFile found it. Throws tools::Failure with the
    // loader's message when the package is refused, or when it exports no
    // Register of this build.
    explicit InstalledPackage(const std::string& file);
    // A package the command did not uninstall (it failed first) is unloaded
    // as far as it can be; what stands in the way then goes unsaid, since
    // the command's own failure is what is reported. Never throws.
    ~InstalledPackage();
    InstalledPackage(const InstalledPackage&) = delete;
    InstalledPackage& operator=(const InstalledPackage&) = delete;

    // Unloads the package: a command's work is done only when this is.
    // Throws tools::Failure when the package cannot be unloaded cleanly.
    void Uninstall();
    HMODULE Module() const { return module_; }
    const std::string& File() const { return file_; }

private:
    // Unloads without a word: for a command that has failed already.
    void Release() noexcept;

    std::string file_;
    HMODULE module_;
};

} // namespace zelvan_host
