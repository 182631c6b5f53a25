#include "vcl/modules.h"

#include <string>

#include "vcl/language.h"
#include "vcl/shared_state.h"

namespace vcl {

namespace {

// The first registered module; each links to the next.
using ModuleList = TSharedState<TLibModule*>;

ModuleList& TheModuleList() {
    static ModuleList list;
    return list;
}

// The file name without its extension: "/p/ZelvanPack" of "/p/ZelvanPack.bpl".
std::string WithoutExtension(const std::string& path) {
    const std::size_t folder = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    const bool inName = dot != std::string::npos && (folder == std::string::npos || dot > folder);
    return inName ? path.substr(0, dot) : path;
}

} // namespace

void RegisterModule(TLibModule* LibModule) {
    ModuleList& list = TheModuleList();
    std::scoped_lock guard(list.lock);
    LibModule->Next = list.value;
    list.value = LibModule;
}

void UnregisterModule(TLibModule* LibModule) {
    ModuleList& list = TheModuleList();
    std::scoped_lock guard(list.lock);
    for (TLibModule** link = &list.value; *link; link = &(*link)->Next) {
        if (*link == LibModule) {
            *link = LibModule->Next;
            LibModule->Next = nullptr;
            return;
        }
    }
}

std::vector<TLibModule> RegisteredModules() {
    ModuleList& list = TheModuleList();
    std::scoped_lock guard(list.lock);
    std::vector<TLibModule> modules;
    for (const TLibModule* module = list.value; module; module = module->Next) modules.push_back(*module);
    return modules;
}

HINSTANCE FindResourceHInstance(HINSTANCE Instance) {
    for (const TLibModule& module : RegisteredModules())
        if (Instance == module.Instance || Instance == module.CodeInstance || Instance == module.DataInstance)
            return module.ResInstance;
    return Instance;
}

HINSTANCE FindHInstance(const void* Address) {
    HMODULE module = nullptr;
    constexpr DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    return GetModuleHandleExA(flags, static_cast<LPCSTR>(Address), &module) ? module : nullptr;
}

std::vector<std::string> ResourceModuleFiles(const char* ModuleName) {
    const std::string language = UserLanguageAbbreviation();
    if (language.empty()) return {};
    const std::string base = WithoutExtension(ModuleName);
    return {base + "." + language, base + "." + language.substr(0, 2)};
}

HINSTANCE LoadResourceModule(const char* ModuleName) {
    for (const std::string& file : ResourceModuleFiles(ModuleName))
        if (HINSTANCE found = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) return found;
    return nullptr;
}

std::optional<TResourceBytes> ResourceBytes(HMODULE Module, LPCSTR Name, LPCSTR Type) {
    HRSRC found = FindResourceA(Module, Name, Type);
    if (!found) return std::nullopt;
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(Module, found)));
    DWORD size = 0;
    if (data) {
        // A resource may be empty: only the error tells a failed SizeofResource.
        SetLastError(ERROR_SUCCESS);
        size = SizeofResource(Module, found);
    }
    if (!data || (size == 0 && GetLastError() != ERROR_SUCCESS)) {
        const std::string name = IS_INTRESOURCE(Name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(Name)) : Name;
        throw EResourceError("its resource " + name + " cannot be loaded (error " + std::to_string(GetLastError()) + ")");
    }
    return TResourceBytes(data, size);
}

std::optional<TFoundResource> FindResource(LPCSTR Name, LPCSTR Type) {
    for (const TLibModule& module : RegisteredModules())
        if (std::optional<TResourceBytes> bytes = ResourceBytes(module.ResInstance, Name, Type))
            return TFoundResource{module.ResInstance, *bytes};
    return std::nullopt;
}

} // namespace vcl
