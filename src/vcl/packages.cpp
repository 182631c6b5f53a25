#include "vcl/packages.h"

#include <algorithm>
#include <mutex>

#include "vcl/modules.h"
#include "vcl/palette.h"
#include "vcl/shared_state.h"
#include "vcl/sysutils.h"
#include "win32/little_endian.h"
#include "win32/unique_module.h"
#include "win32/win_errors.h"

namespace vcl {

namespace {

struct LoadedPackage {
    HMODULE module;
    std::string name; // as LoadPackage was given it
    std::vector<std::string> units;
    int loads;
};

// A package's name is its file's name without folder and extension.
std::string_view PackageNameOf(std::string_view file) {
    file = file.substr(file.find_last_of("/\\") + 1);
    return file.substr(0, file.rfind('.'));
}

// A package's Initialize may load another package.
using PackageList = TSharedState<std::vector<LoadedPackage>, std::recursive_mutex>;

PackageList& ThePackages() {
    static PackageList list;
    return list;
}

using TPackageProc = void (*)();

constexpr std::string_view StartUpUnit = "SysInit";

[[noreturn]] void Refuse(const std::string& name, const std::string& why, std::string_view what = "load") {
    throw EPackageError("Cannot " + std::string(what) + " package '" + name + "': " + why);
}

std::string SystemRefusal(DWORD error) {
    const win32::Win32Error* known = win32::FindWin32Error(error);
    return "the system refused it (" + (known ? std::string(known->name) : "error " + std::to_string(error)) + ")";
}

std::string LoadError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_MOD_NOT_FOUND: return "the file, or a module it needs, was not found";
    case ERROR_BAD_EXE_FORMAT: return "it is not a module for this system (damaged, cut short, or built for another)";
    case ERROR_PROC_NOT_FOUND: return "a function it imports was not found";
    case ERROR_ACCESS_DENIED: return "it cannot be read";
    default: return SystemRefusal(error);
    }
}

TPackageInfo ReadInfo(HMODULE module, const std::string& name) {
    std::optional<TResourceBytes> record;
    try {
        record = ResourceBytes(module, "PACKAGEINFO", RT_RCDATA);
    } catch (const EResourceError& failure) {
        Refuse(name, failure.what());
    }
    if (!record) Refuse(name, "it has no PACKAGEINFO resource, so it is not a package");
    try {
        return ReadPackageInfo(*record);
    } catch (const EPackageError& damage) {
        Refuse(name, std::string("its PACKAGEINFO is damaged: ") + damage.what());
    }
}

// What the package needs and brings, against what this process has.
void CheckFits(const TPackageInfo& info, const std::string& name, const std::vector<LoadedPackage>& loaded) {
    const std::uint32_t kind = (info.Flags & pf::ModuleKindMask) >> pf::ModuleKindShift;
    if (kind != pf::PackageModule) Refuse(name, "its PACKAGEINFO marks it as a " + ModuleKindName(info.Flags) + ", not a package");
    for (const TPackageRequire& required : info.Requires) {
        const bool present = SameText(required.Name, RuntimePackageName()) ||
                             std::any_of(loaded.begin(), loaded.end(), [&](const LoadedPackage& p) {
                                 return SameText(required.Name, PackageNameOf(p.name));
                             });
        if (!present)
            Refuse(name, "it requires the package " + required.Name + ", which is not loaded here: this host runs on " +
                             std::string(RuntimePackageName()));
    }
    if (info.Flags & pf::IgnoreDupUnits) return;
    for (const TPackageUnit& unit : info.Contains) {
        if (SameText(unit.Name, StartUpUnit)) continue;
        for (std::string_view own : RuntimeUnits())
            if (SameText(unit.Name, own))
                Refuse(name, "it contains the unit " + unit.Name + ", which the runtime package " +
                                 std::string(RuntimePackageName()) + " contains");
        for (const LoadedPackage& other : loaded)
            for (const std::string& theirs : other.units)
                if (SameText(unit.Name, theirs))
                    Refuse(name, "it contains the unit " + unit.Name + ", which the loaded package '" + other.name +
                                     "' contains");
    }
}

TPackageProc PackageProc(HMODULE module, LPCSTR name) {
    const auto procedure = GetProcAs<TPackageProc>(module, name);
    if (!procedure) throw EPackageError(std::string("The module is no package: it exports no ") + name);
    return procedure;
}

std::string ModuleFileName(HMODULE module) {
    char file[1024];
    const DWORD length = GetModuleFileNameA(module, file, sizeof file);
    return length > 0 && length < sizeof file ? std::string(file, length) : std::string("?");
}

LoadedPackage* Find(std::vector<LoadedPackage>& packages, HMODULE module) {
    auto found = std::find_if(packages.begin(), packages.end(), [&](const LoadedPackage& p) { return p.module == module; });
    return found == packages.end() ? nullptr : &*found;
}

} // namespace

std::string_view RuntimePackageName() {
#ifdef ZELVAN_VCL30
    return "vcl30";
#else
    return "vcl40";
#endif
}

std::vector<std::string_view> RuntimeUnits() { return {"System", "Windows", "SysUtils", "Classes", "TypInfo"}; }

HMODULE LoadPackage(const std::string& Name) {
    CheckRuntimePackage();
    PackageList& list = ThePackages();
    std::scoped_lock guard(list.lock);
    HMODULE already = GetModuleHandleA(Name.c_str());
    LoadedPackage* known = already ? Find(list.value, already) : nullptr;
    std::vector<std::string> units;
    if (!known) {
        const win32::UniqueModule data(LoadLibraryExA(Name.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!data.get()) Refuse(Name, LoadError(GetLastError()));
        const TPackageInfo info = ReadInfo(data.get(), Name);
        CheckFits(info, Name, list.value);
        for (const TPackageUnit& unit : info.Contains) units.push_back(unit.Name);
    }
    HMODULE module = LoadLibraryA(Name.c_str());
    if (!module) Refuse(Name, LoadError(GetLastError()));
    const auto initialize = GetProcAs<TPackageProc>(module, "Initialize");
    if (!initialize || !GetProcAddress(module, "Finalize")) {
        FreeLibrary(module);
        Refuse(Name, "it does not export Initialize and Finalize");
    }
    if (known) ++known->loads;
    else list.value.push_back({module, Name, std::move(units), 1});
    initialize();
    return module;
}

void UnloadPackage(HMODULE Module) {
    PackageList& list = ThePackages();
    std::scoped_lock guard(list.lock);
    LoadedPackage* package = Find(list.value, Module);
    if (!package) throw EPackageError("Cannot unload a module that was not loaded as a package");
    const std::string name = package->name;
    // Looked for before anything changes: a package that cannot be
    // finalized stays loaded, registered and on the palette.
    const auto finalize = GetProcAs<TPackageProc>(Module, "Finalize");
    if (!finalize) Refuse(name, "it exports no Finalize", "unload");
    if (package->loads == 1) UnregisterModuleClasses(Module);
    finalize();
    if (--package->loads == 0) std::erase_if(list.value, [&](const LoadedPackage& p) { return p.module == Module; });
    if (!FreeLibrary(Module)) Refuse(name, SystemRefusal(GetLastError()), "unload");
}

void InitializePackage(HMODULE Module) {
    CheckRuntimePackage();
    PackageProc(Module, "Initialize")();
}

void FinalizePackage(HMODULE Module) { PackageProc(Module, "Finalize")(); }

TLinkedPackage::TLinkedPackage(const char* FileName) : FModule(GetModuleHandleA(FileName)) {
    CheckRuntimePackage();
    if (!FModule) throw EPackageError(std::string(FileName) + " was not loaded with the program");
    const TPackageProc initialize = PackageProc(FModule, "Initialize");
    // Its end is found before its start runs, so that it can be undone, and
    // is kept: nothing is looked for, and nothing can fail, at the end.
    FFinalize = PackageProc(FModule, "Finalize");
    initialize();
}

TLinkedPackage::~TLinkedPackage() { FFinalize(); }

TPackageInfo GetPackageInfo(HMODULE Module) { return ReadInfo(Module, ModuleFileName(Module)); }

std::string GetPackageDescription(HMODULE Module) {
    std::optional<TResourceBytes> text;
    try {
        text = ResourceBytes(Module, "DESCRIPTION", RT_RCDATA);
    } catch (const EResourceError& failure) {
        throw EPackageError("Cannot read package '" + ModuleFileName(Module) + "': " + failure.what());
    }
    std::string description;
    for (std::size_t i = 0; text && i + 1 < text->size(); i += 2) {
        const unsigned unit = win32::Le16(*text, i);
        if (unit == 0) break;
        description += unit < 0x100 ? static_cast<char>(unit) : '?';
    }
    return description;
}

} // namespace vcl
