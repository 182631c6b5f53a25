// A host of the vcl30 build, which exports its C++ names under dotted names
// with a hash (Orvane.Register@1A2B3C4D) that zelvanpack_names.h spells: it
// loads ZelvanPack.dpl, registers its component, makes one through its
// class's type information and prints what the palette and the component
// show.
#include <cstdio>
#include <memory>
#include <string>

#include "vcl/modules.h"
#include "vcl/packages.h"
#include "vcl/palette.h"
#include "vcl/streaming.h"
#include "vcl/typinfo.h"
#include "zelvanpack_names.h"

int main() {
    HMODULE package = vcl::LoadPackage(ZELVANPACK_FILE);
    const auto registerProcedure = vcl::GetProcAs<void (*)()>(package, zelvanpack_names::Orvane_Register);
    const auto classInfo =
        vcl::GetProcAs<const vcl::TClassInfo& (*)()>(package, zelvanpack_names::Orvane_TZelvan_TypeInfo);
    if (!registerProcedure || !classInfo) {
        std::fprintf(stderr, "names30: ZelvanPack.dpl does not export the names zelvanpack_names.h gives\n");
        return 1;
    }
    registerProcedure();
    for (const vcl::TPalettePage& page : vcl::PalettePages())
        for (const vcl::TClassInfo* item : page.Classes)
            std::printf("%s: %s\n", page.Name.c_str(), std::string(item->ClassName).c_str());
    {
        const std::unique_ptr<vcl::TComponent> zelvan(classInfo().Create(nullptr));
        for (const char* name : {"DriveName", "FirstSector", "Sectors"}) {
            const vcl::TFormValue value = vcl::GetPropValue(*zelvan, *vcl::GetPropInfo(classInfo(), name));
            std::printf("%s = %s\n", name, value.IsString() ? value.Text.c_str() : std::to_string(value.Integer).c_str());
        }
    }
    vcl::UnloadPackage(package);
    return 0;
}
