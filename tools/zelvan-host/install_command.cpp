// zelvan-host install PACKAGE: the package installed as an IDE installs it,
// and what the IDE then shows of it.
#include <iomanip>
#include <iostream>

#include "vcl/packageinfo.h"
#include "vcl/packages.h"
#include "vcl/palette.h"
#include "zelvan-host/commands.h"
#include "zelvan-host/installed_package.h"
#include "zelvan-host/palette_picture.h"

namespace zelvan_host {

namespace {

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : ", ") + word;
    return text;
}

void Line(std::string_view label, const std::string& text) {
    std::cout << "  " << std::left << std::setw(13) << label << text << "\n";
}

std::string Hex(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

} // namespace

void RunInstall(const Invocation& invocation) {
    const std::string& file = invocation.operands[0];
    const InstalledPackage package(file);
    const vcl::TPackageInfo info = vcl::GetPackageInfo(package.Module());
    std::cout << file << "\n";
    Line("description", vcl::GetPackageDescription(package.Module()));
    std::vector<std::string> names;
    for (const vcl::TPackageRequire& required : info.Requires) names.push_back(required.Name);
    Line("requires", Joined(names));
    names.clear();
    for (const vcl::TPackageUnit& unit : info.Contains) {
        const std::vector<std::string> flags = vcl::DescribeUnitFlags(unit.Flags);
        names.push_back(unit.Name + (flags.empty() ? "" : " (" + Joined(flags) + ")"));
    }
    Line("contains", Joined(names));
    Line("flags", Hex(info.Flags) + ": " + Joined(vcl::DescribePackageFlags(info.Flags)));
    std::cout << "palette\n";
    for (const vcl::TPalettePage& page : vcl::PalettePages()) {
        for (const vcl::TClassInfo* Class : page.Classes) {
            const PalettePicture picture = PalettePictureOf(*Class);
            Line(page.Name, std::string(Class->ClassName) + " (picture " + picture.name + ", " +
                                std::to_string(picture.picture.width) + " x " +
                                std::to_string(picture.picture.height) + ")");
        }
    }
}

} // namespace zelvan_host
