// An application built with runtime packages: the system loads
// ZelvanPack.bpl and Vcl40.bpl with it, from beside it, and it starts the
// package in main. It makes the TZelvan that a form file holds, checks that
// the component took every value the form gives, and copies the run the
// form names into a file.
//
//   form_sectors Module1.dfm run.bin
//
// The form, in text or binary:
//
//   object Module1: TDataModule
//     object Zelvan1: TZelvan
//       FirstSector = 32
//       Sectors = 4
//     end
//   end
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "orvane/orvane.h"
#include "orvane/rules.h"
#include "vcl/packages.h"
#include "vcl/registry.h"
#include "vcl/streaming.h"
#include "vcl/sysutils.h"

namespace {

vcl::TBytes ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(std::string(path) + " cannot be opened");
    return vcl::TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Setters refuse a value silently and keep the one they had: a value of the
// form that the component does not hold now was refused.
void CheckTaken(const Orvane::TZelvan& zelvan, const vcl::TFormObject& stored) {
    for (const vcl::TFormProperty& property : stored.Properties) {
        const vcl::TPropInfo* info = vcl::GetPropInfo(zelvan.ClassInfo(), property.Name);
        const vcl::TFormValue held = vcl::GetPropValue(zelvan, *info);
        const bool taken = property.Value.IsString() ? vcl::SameText(held.Text, property.Value.Text)
                                                     : held == property.Value;
        if (!taken)
            throw std::runtime_error(stored.Name + "." + property.Name + " was refused: " +
                                     "the drive cannot take the value the form gives");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: form_sectors FORM OUTPUT\n");
        return 2;
    }
    try {
        // First thing: the package's units start, and end when main does.
        const vcl::TLinkedPackage zelvanPack("ZelvanPack.bpl");
        vcl::RegisterClass(Orvane::TZelvan::StaticClassInfo());

        const vcl::TFormObject form = vcl::ReadFormTree(ReadFile(argv[1]), argv[1]);
        const std::unique_ptr<vcl::TComponent> root = vcl::FormToComponent(form, argv[1]);
        const auto stored = std::find_if(form.Children.begin(), form.Children.end(),
                                         [](const vcl::TFormObject& child) { return child.ClassName == "TZelvan"; });
        if (stored == form.Children.end()) throw std::runtime_error(std::string(argv[1]) + " holds no TZelvan");
        auto& zelvan = dynamic_cast<Orvane::TZelvan&>(*root->FindComponent(stored->Name));
        CheckTaken(zelvan, *stored);

        Orvane::TDiskGeometry geometry;
        if (!geometry.Measure(zelvan.DriveName()))
            throw std::runtime_error(std::string("drive ") + zelvan.DriveName() + ": cannot be measured");
        std::vector<unsigned char> run(std::size_t{zelvan.Sectors()} * geometry.BytesPerSector);
        SetLastError(ERROR_SUCCESS);
        if (!zelvan.ReadSectors(run))
            throw std::runtime_error(stored->Name + " cannot read its run (error " + std::to_string(GetLastError()) + ")");
        std::ofstream out(argv[2], std::ios::binary);
        out.write(reinterpret_cast<const char*>(run.data()), static_cast<std::streamsize>(run.size()));
        if (!out.flush()) throw std::runtime_error(std::string(argv[2]) + " cannot be written");
        std::printf("%s: sectors %u to %u of %c: in %s\n", stored->Name.c_str(), unsigned{zelvan.FirstSector()},
                    unsigned{zelvan.FirstSector() + zelvan.Sectors()} - 1, zelvan.DriveName(), argv[2]);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "form_sectors: %s\n", error.what());
        return 1;
    }
}
