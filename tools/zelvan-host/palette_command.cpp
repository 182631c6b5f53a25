// zelvan-host palette PACKAGE --bitmap FILE: the package installed, and the
// pictures of its components as the palette shows them, side by side in
// palette order, written to FILE (.bmp or .png).
#include <iostream>

#include "common/files.h"
#include "common/outcome.h"
#include "vcl/palette.h"
#include "zelvan-host/commands.h"
#include "zelvan-host/installed_package.h"
#include "zelvan-host/package_file.h"
#include "zelvan-host/palette_picture.h"
#include "zelvan-host/picture.h"

namespace zelvan_host {

void RunPalette(const Invocation& invocation) {
    const std::string& file = invocation.values.at("--bitmap");
    PictureFormatOf(file);
    InstalledPackage package(PackageFile(invocation.operands[0]));
    std::vector<TPicture> pictures;
    std::string shown;
    for (const vcl::TPalettePage& page : vcl::PalettePages()) {
        for (const vcl::TClassInfo* Class : page.Classes) {
            pictures.push_back(PalettePictureOf(*Class).picture);
            shown += " " + std::string(Class->ClassName);
        }
    }
    if (pictures.empty()) throw tools::Failure(package.File() + " puts no component on the palette");
    const TPicture palette = SideBySide(pictures);
    // Opened while the package is loaded, so that neither it nor its runtime
    // package is taken for the picture's file; kept only once the package
    // was unloaded cleanly.
    tools::OutputFile output(file);
    output.Write(EncodePicture(palette, file));
    package.Uninstall();
    output.Commit();
    std::cout << package.File() << "\n" << file << ": " << palette.width << " x " << palette.height << ":" << shown << "\n";
}

} // namespace zelvan_host
