#include "zelvan-host/installed_package.h"

#include <exception>
#include <utility>

#include "common/files.h"
#include "common/outcome.h"
#include "vcl/modules.h"
#include "vcl/packages.h"
#include "zelvanpack_names.h"

namespace zelvan_host {

namespace {
HMODULE Load(const std::string& file) {
    try {
        return vcl::LoadPackage(file);
    } catch (const vcl::EPackageError& refusal) {
        // The loader says a file is damaged; the machine can say where.
        const std::optional<std::string> fault = tools::ModuleFileFault(file);
        throw tools::Failure(refusal.what() + (fault ? ": " + *fault : std::string()));
    }
}
} // namespace

InstalledPackage::InstalledPackage(const std::string& file) : file_(file), module_(Load(file)) {
    const auto registerProcedure = vcl::GetProcAs<void (*)()>(module_, zelvanpack_names::Orvane_Register);
    if (!registerProcedure) {
        Release();
        throw tools::Failure(file + ": exports no Register of this build (" +
                             std::string(zelvanpack_names::Orvane_Register) + ")");
    }
    registerProcedure();
}

InstalledPackage::~InstalledPackage() { Release(); }

void InstalledPackage::Release() noexcept {
    if (!module_) return;
    try {
        vcl::UnloadPackage(std::exchange(module_, nullptr));
    } catch (const std::exception&) {
    }
}

void InstalledPackage::Uninstall() {
    try {
        vcl::UnloadPackage(std::exchange(module_, nullptr));
    } catch (const vcl::EPackageError& refusal) {
        throw tools::Failure(refusal.what());
    }
}

} // namespace zelvan_host
