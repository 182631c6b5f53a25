// The component palette: pages in the order they were first registered,
// each with its component classes, as RegisterComponents builds it.
#pragma once

#include <string>
#include <vector>

#include "vcl/system.h"
#include "vcl/typinfo.h"
#include "win32/win32.h"

namespace vcl {

// Puts the classes ComponentClasses[0..High] on the palette page Page,
// after those already there, and registers them for form reading. A class
// of a name that another class has already registered is refused whole
// (EFilerError) before anything changes; a class already on the page stays
// where it is.
void RegisterComponents(const AnsiString& Page, const TClassInfo* const ComponentClasses[], int High);

struct TPalettePage {
    std::string Name;
    std::vector<const TClassInfo*> Classes;
};
std::vector<TPalettePage> PalettePages();

// Takes the classes whose type information lies in Module off the palette
// (and a page left empty with them) and out of the class registry: what
// unloading a package does before the module goes.
void UnregisterModuleClasses(HMODULE Module);

} // namespace vcl
