// zelvan-host install PACKAGE: the package installed as an IDE installs it,
// and what the IDE then shows of it.
#include <iomanip>
#include <iostream>
#include <sstream>

#include "vcl/packageinfo.h"
#include "vcl/packages.h"
#include "vcl/palette.h"
#include "zelvan-host/commands.h"
#include "zelvan-host/installed_package.h"
#include "zelvan-host/package_file.h"
#include "zelvan-host/palette_picture.h"

namespace zelvan_host {

namespace {

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : ", ") + word;
    return text;
}

void Line(std::ostream& out, std::string_view label, const std::string& text) {
    out << "  " << std::left << std::setw(13) << label << text << "\n";
}

std::string Hex(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

} // namespace

void RunInstall(const Invocation& invocation) {
    InstalledPackage package(PackageFile(invocation.operands[0]));
    const vcl::TPackageInfo info = vcl::GetPackageInfo(package.Module());
    // The report is shown only when it is whole and the package was
    // unloaded cleanly.
    std::ostringstream report;
    report << package.File() << "\n";
    Line(report, "description", vcl::GetPackageDescription(package.Module()));
    std::vector<std::string> names;
    for (const vcl::TPackageRequire& required : info.Requires) names.push_back(required.Name);
    Line(report, "requires", Joined(names));
    names.clear();
    for (const vcl::TPackageUnit& unit : info.Contains) {
        const std::vector<std::string> flags = vcl::DescribeUnitFlags(unit.Flags);
        names.push_back(unit.Name + (flags.empty() ? "" : " (" + Joined(flags) + ")"));
    }
    Line(report, "contains", Joined(names));
    Line(report, "flags", Hex(info.Flags) + ": " + Joined(vcl::DescribePackageFlags(info.Flags)));
    report << "palette\n";
    for (const vcl::TPalettePage& page : vcl::PalettePages()) {
        for (const vcl::TClassInfo* Class : page.Classes) {
            const PalettePicture picture = PalettePictureOf(*Class);
            Line(report, page.Name,
                 std::string(Class->ClassName) + " (picture " + picture.name + ", " +
                     std::to_string(picture.picture.width) + " x " + std::to_string(picture.picture.height) + ")");
        }
    }
    package.Uninstall();
    std::cout << report.str();
}

} // namespace zelvan_host
