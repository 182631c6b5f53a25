// Unit Orvane as a package holds it: its counted lifetime and Register.
#include "orvane/orvane.h"
#include "package/package_units.h"
#include "vcl/palette.h"

namespace Orvane {

namespace {
void ReleaseAttentionText() { AttentionText = vcl::AnsiString(); }

vcl::TUnitCounter Unit(nullptr, &ReleaseAttentionText);
} // namespace

void Initialization() { Unit.Initialize(); }
void Finalization() { Unit.Finalize(); }

void Register() {
    const vcl::TClassInfo* const classes[] = {&TZelvan::StaticClassInfo()};
    vcl::RegisterComponents("Kesmet", classes, 0);
}

} // namespace Orvane
