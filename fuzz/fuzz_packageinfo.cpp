// libFuzzer target: the package-information reader. A record it reads must
// hold what the layout promises; any other record is refused with
// EPackageError. Anything else, a crash or a sanitizer report, is a finding.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "vcl/packageinfo.h"

namespace {
void Expect(bool holds) {
    if (!holds) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const vcl::TPackageInfo info = vcl::ReadPackageInfo(std::span(data, size));
        Expect(size % 4 == 0);
        for (const vcl::TPackageRequire& required : info.Requires)
            Expect(!required.Name.empty() && required.Hash == vcl::PackageNameHash(required.Name));
        for (const vcl::TPackageUnit& unit : info.Contains)
            Expect(!unit.Name.empty() && unit.Hash == vcl::PackageNameHash(unit.Name));
        vcl::DescribePackageFlags(info.Flags);
    } catch (const vcl::EPackageError&) {
    }
    return 0;
}
