#include "zelvan-host/installed_package.h"

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
        throw tools::Failure(refusal.what());
    }
}
} // namespace

InstalledPackage::InstalledPackage(const std::string& file) : module_(Load(file)) {
    const auto registerProcedure = vcl::GetProcAs<void (*)()>(module_, zelvanpack_names::Orvane_Register);
    if (!registerProcedure) {
        vcl::UnloadPackage(module_);
        throw tools::Failure(file + ": exports no Register of this build (" + zelvanpack_names::Orvane_Register + ")");
    }
    registerProcedure();
}

InstalledPackage::~InstalledPackage() { vcl::UnloadPackage(module_); }

const std::string& OwnPackage() {
    static const std::string file = ZELVAN_OWN_PACKAGE;
    return file;
}

} // namespace zelvan_host
