#include "vcl/palette.h"

#include <algorithm>

#include "vcl/modules.h"
#include "vcl/registry.h"
#include "vcl/shared_state.h"

namespace vcl {

namespace {

using Palette = TSharedState<std::vector<TPalettePage>>;

Palette& ThePalette() {
    static Palette palette;
    return palette;
}

bool InModule(const TClassInfo* Class, HMODULE Module) { return FindHInstance(Class) == Module; }

} // namespace

void RegisterComponents(const AnsiString& Page, const TClassInfo* const ComponentClasses[], int High) {
    const std::vector<const TClassInfo*> classes(ComponentClasses, ComponentClasses + (High + 1));
    for (const TClassInfo* Class : classes) {
        const TClassInfo* known = GetClass(Class->ClassName);
        if (known && known != Class)
            throw EFilerError("A class named " + std::string(Class->ClassName) + " has already been registered");
    }
    for (const TClassInfo* Class : classes) RegisterClass(*Class);
    Palette& palette = ThePalette();
    std::scoped_lock guard(palette.lock);
    auto page = std::find_if(palette.value.begin(), palette.value.end(),
                             [&](const TPalettePage& p) { return p.Name == Page.View(); });
    if (page == palette.value.end()) page = palette.value.insert(page, {std::string(Page.View()), {}});
    for (const TClassInfo* Class : classes)
        if (std::find(page->Classes.begin(), page->Classes.end(), Class) == page->Classes.end())
            page->Classes.push_back(Class);
}

std::vector<TPalettePage> PalettePages() {
    Palette& palette = ThePalette();
    std::scoped_lock guard(palette.lock);
    return palette.value;
}

void UnregisterModuleClasses(HMODULE Module) {
    for (const TClassInfo* Class : RegisteredClasses())
        if (InModule(Class, Module)) UnRegisterClass(*Class);
    Palette& palette = ThePalette();
    std::scoped_lock guard(palette.lock);
    for (TPalettePage& page : palette.value)
        std::erase_if(page.Classes, [&](const TClassInfo* Class) { return InModule(Class, Module); });
    std::erase_if(palette.value, [](const TPalettePage& page) { return page.Classes.empty(); });
}

} // namespace vcl
