// zelvan-host form FILE: load the form for real, through the class registry,
// and list what was loaded.
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

#include "vcl/formtext.h"
#include "vcl/streaming.h"
#include "zelvan-host/commands.h"
#include "zelvan-host/host_io.h"
#include "zelvan-host/installed_package.h"
#include "zelvan-host/package_file.h"

namespace zelvan_host {

namespace {
void Flatten(const vcl::TFormObject& object, std::vector<const vcl::TFormObject*>& out) {
    out.push_back(&object);
    for (const vcl::TFormObject& child : object.Children) Flatten(child, out);
}

const vcl::TFormProperty* FindIn(const vcl::TFormObject& object, std::string_view name) {
    for (const vcl::TFormProperty& property : object.Properties)
        if (property.Name == name) return &property;
    return nullptr;
}

void List(std::ostream& out, const vcl::TComponent& component, const vcl::TFormObject* stored) {
    out << component.Name().View() << ": " << component.ClassName() << "\n";
    for (const vcl::TPropInfo* prop : vcl::GetPropList(component.ClassInfo())) {
        std::string value = FormatOrdinal(*prop->PropType, prop->Read.Get(component));
        out << "  " << std::left << std::setw(16) << prop->Name << std::setw(12) << value
            << (vcl::IsStoredProp(component, *prop) ? "stored" : "default");
        // A setter may refuse what the form gives (a sector beyond the drive).
        const vcl::TFormProperty* given = stored ? FindIn(*stored, prop->Name) : nullptr;
        if (given && !(given->Value == vcl::GetPropValue(component, *prop)))
            out << "  (form gives " << vcl::FormatTextValue(given->Value) << ", not taken)";
        out << "\n";
    }
}
} // namespace

void RunForm(const Invocation& invocation) {
    InstalledPackage own(OwnPackageFile());
    const std::string& file = invocation.operands[0];
    vcl::TFormObject form = vcl::ReadFormTree(ReadFormFile(file), file);
    std::unique_ptr<vcl::TComponent> root = vcl::FormToComponent(form, file);

    std::vector<const vcl::TFormObject*> objects;
    Flatten(form, objects);
    std::vector<const vcl::TComponent*> components{root.get()};
    for (int i = 0; i < root->ComponentCount(); ++i) components.push_back(root->Components(i));
    // Components created by their owners' constructors have no form object.
    bool matched = objects.size() == components.size();
    std::ostringstream listed;
    for (std::size_t i = 0; i < components.size(); ++i) List(listed, *components[i], matched ? objects[i] : nullptr);
    // The components go before the package whose classes they are.
    root.reset();
    own.Uninstall();
    std::cout << listed.str();
}

} // namespace zelvan_host
