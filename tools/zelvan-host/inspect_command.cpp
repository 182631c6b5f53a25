// zelvan-host inspect CLASS: the published properties as an object
// inspector shows them.
#include <iomanip>
#include <iostream>
#include <sstream>

#include "common/outcome.h"
#include "vcl/registry.h"
#include "zelvan-host/commands.h"
#include "zelvan-host/host_io.h"
#include "zelvan-host/installed_package.h"
#include "zelvan-host/package_file.h"

namespace zelvan_host {

namespace {
std::string Range(const vcl::TTypeInfo& type) {
    switch (type.Kind) {
    case vcl::TTypeKind::tkInteger:
        return std::to_string(type.MinValue) + ".." + std::to_string(type.MaxValue) + ", " +
               std::string(vcl::OrdTypeName(type.OrdType));
    case vcl::TTypeKind::tkEnumeration: {
        std::string names;
        for (std::string_view name : type.EnumNames) names += (names.empty() ? "" : ", ") + std::string(name);
        return "(" + names + ")";
    }
    case vcl::TTypeKind::tkChar: return "#0..#255";
    case vcl::TTypeKind::tkBool: return "False, True";
    }
    return "";
}

std::string Access(std::string_view name, vcl::TAccessKind kind) {
    return std::string(name) + (kind == vcl::TAccessKind::Field ? " (field)" : " (setter)");
}
} // namespace

void RunInspect(const Invocation& invocation) {
    InstalledPackage own(OwnPackageFile());
    const std::string& className = invocation.operands[0];
    const vcl::TClassInfo* type = vcl::GetClass(className);
    if (!type) {
        std::string known;
        for (const vcl::TClassInfo* registered : vcl::RegisteredClasses()) known += " " + std::string(registered->ClassName);
        throw tools::UsageError("no class named " + className + " is registered; known:" + known);
    }
    std::ostringstream shown;
    shown << type->ClassName;
    if (type->Parent) shown << " (" << type->Parent->ClassName << ")";
    shown << "\n";
    shown << std::left << "  " << std::setw(15) << "Property" << std::setw(10) << "Type" << std::setw(9) << "Default"
          << std::setw(34) << "Range" << std::setw(24) << "Read" << "Write\n";
    for (const vcl::TPropInfo* prop : vcl::GetPropList(*type)) {
        std::string defaultText = prop->Default ? FormatOrdinal(*prop->PropType, *prop->Default) : "(none)";
        shown << "  " << std::setw(15) << prop->Name << std::setw(10) << prop->PropType->Name << std::setw(9)
              << defaultText << std::setw(34) << Range(*prop->PropType) << std::setw(24)
              << Access(prop->Read.Name, prop->Read.Kind) << Access(prop->Write.Name, prop->Write.Kind)
              << (prop->Stored ? "" : "  not stored") << "\n";
    }
    own.Uninstall();
    std::cout << shown.str();
}

} // namespace zelvan_host
