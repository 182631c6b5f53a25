#include "vcl/palette.h"

#include <algorithm>
#include <mutex>

#include "vcl/registry.h"

namespace vcl {

namespace {

struct Palette {
    std::mutex lock;
    std::vector<TPalettePage> pages;
};

Palette& ThePalette() {
    static Palette palette;
    return palette;
}

bool InModule(const TClassInfo* Class, HMODULE Module) {
    HMODULE owner = nullptr;
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(Class), &owner) &&
           owner == Module;
}

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
    auto page = std::find_if(palette.pages.begin(), palette.pages.end(),
                             [&](const TPalettePage& p) { return p.Name == Page.View(); });
    if (page == palette.pages.end()) page = palette.pages.insert(page, {std::string(Page.View()), {}});
    for (const TClassInfo* Class : classes)
        if (std::find(page->Classes.begin(), page->Classes.end(), Class) == page->Classes.end())
            page->Classes.push_back(Class);
}

std::vector<TPalettePage> PalettePages() {
    Palette& palette = ThePalette();
    std::scoped_lock guard(palette.lock);
    return palette.pages;
}

void UnregisterModuleClasses(HMODULE Module) {
    for (const TClassInfo* Class : RegisteredClasses())
        if (InModule(Class, Module)) UnRegisterClass(*Class);
    Palette& palette = ThePalette();
    std::scoped_lock guard(palette.lock);
    for (TPalettePage& page : palette.pages)
        std::erase_if(page.Classes, [&](const TClassInfo* Class) { return InModule(Class, Module); });
    std::erase_if(palette.pages, [](const TPalettePage& page) { return page.Classes.empty(); });
}

} // namespace vcl
