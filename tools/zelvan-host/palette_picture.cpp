#include "zelvan-host/palette_picture.h"

#include <algorithm>
#include <cctype>

#include "common/outcome.h"
#include "vcl/modules.h"
#include "win32/unique_module.h"

namespace zelvan_host {

namespace {

std::string FileOf(HINSTANCE module) {
    char file[1024];
    const DWORD length = GetModuleFileNameA(module, file, sizeof file);
    return length > 0 && length < sizeof file ? std::string(file, length) : "?";
}

// The module `resources` is, by name: the package `code` itself, or the
// localised resource module the runtime took for it, which is the first of
// its candidates that is a module.
std::string ResourcesName(HINSTANCE code, HINSTANCE resources) {
    const std::string package = FileOf(code);
    if (resources == code) return package;
    for (const std::string& file : vcl::ResourceModuleFiles(package.c_str()))
        if (win32::UniqueModule(LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)).get())
            return file + " (the localised resources of " + package + ")";
    return "the localised resources of " + package;
}

} // namespace

PalettePicture PalettePictureOf(const vcl::TClassInfo& Class) {
    std::string name(Class.ClassName);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    // As the IDE finds it: in the resources of the module that holds the class.
    const HINSTANCE code = vcl::FindHInstance(&Class);
    const HINSTANCE resources = vcl::FindResourceHInstance(code);
    std::optional<vcl::TResourceBytes> bitmap;
    try {
        bitmap = vcl::ResourceBytes(resources, name.c_str(), RT_BITMAP);
    } catch (const vcl::EResourceError& failure) {
        throw tools::Failure(ResourcesName(code, resources) + ": " + failure.what());
    }
    if (!bitmap)
        throw tools::Failure(std::string(Class.ClassName) + " has no palette picture: " + ResourcesName(code, resources) +
                             " has no bitmap " + name);
    try {
        return {name, DecodeBitmap(*bitmap)};
    } catch (const BadBitmap& bad) {
        throw tools::Failure("the bitmap " + name + " of " + ResourcesName(code, resources) + ": " + bad.what());
    }
}

} // namespace zelvan_host
