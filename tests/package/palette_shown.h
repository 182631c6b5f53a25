// The palette as a person reads it, one line a page: "Kesmet: TZelvan".
// Compiled into each test program with its own build's runtime.
#pragma once

#include <string>
#include <vector>

#include "vcl/palette.h"

namespace packagetest {

inline std::vector<std::string> PaletteShown() {
    std::vector<std::string> shown;
    for (const vcl::TPalettePage& page : vcl::PalettePages()) {
        std::string line = page.Name + ":";
        for (const vcl::TClassInfo* Class : page.Classes) line += " " + std::string(Class->ClassName);
        shown.push_back(line);
    }
    return shown;
}

} // namespace packagetest
