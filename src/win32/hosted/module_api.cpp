// The module calls of kernel32: LoadLibraryA, LoadLibraryExA, FreeLibrary,
// GetProcAddress, GetModuleFileNameA, GetModuleHandleA, GetModuleHandleExA,
// on the dynamic loader. dlopen runs a module's initialisation, and so the
// entry point that its start-up code calls with DLL_PROCESS_ATTACH; the
// dlclose of its last reference runs DLL_PROCESS_DETACH. The machine is not
// held meanwhile, so that an entry point can call into it.
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <link.h>

#include "win32/hosted/module_calls.h"

namespace hosted {
namespace {

std::uintptr_t Key(HMODULE module) { return reinterpret_cast<std::uintptr_t>(module); }
HMODULE Handle(std::uintptr_t base) { return reinterpret_cast<HMODULE>(base); }

// A file mapped as data gets the address of its mapping plus one, as on
// Windows: an odd handle never names a loaded module.
std::uintptr_t DataKey(const MappedFile& file) { return reinterpret_cast<std::uintptr_t>(file.Bytes().data()) + 1; }

DWORD LoaderError(const char* message) {
    const std::string_view text = message ? message : "";
    if (text.find("cannot open shared object file") != std::string_view::npos) return ERROR_MOD_NOT_FOUND;
    if (text.find("undefined symbol") != std::string_view::npos) return ERROR_PROC_NOT_FOUND;
    return ERROR_BAD_EXE_FORMAT;
}

// A loaded module's file, for a bare name that one of them already has, as
// LoadLibraryA takes a module of that name that is already loaded.
std::optional<std::string> LoadedFileNamed(std::string_view name) {
    if (name.find('/') != std::string_view::npos) return std::nullopt;
    for (LoadedModule& module : LoadedModules())
        if (NamesModule(name, module.path)) return std::move(module.path);
    return std::nullopt;
}

// Opens `path` with dlopen and counts one more reference of ours.
HMODULE Open(Call& call, const std::string& path) {
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    MachineLock machine;
    if (!library) return call.FailNull(LoaderError(::dlerror()));
    link_map* map = nullptr;
    ::dlinfo(library, RTLD_DI_LINKMAP, &map);
    const std::optional<LoadedModule> module = ModuleContaining(reinterpret_cast<const void*>(map->l_ld));
    ModuleRecord& record = machine->modules[module->base];
    record.path = module->path;
    record.library = library;
    ++record.references;
    call.Finish([&] { return ModuleArg(*machine, Handle(module->base)); });
    return Handle(module->base);
}

// LoadLibraryA and LoadLibraryExA, which knows one flag,
// LOAD_LIBRARY_AS_DATAFILE: the file is mapped without running it, for its
// resources only. A module already loaded is taken by its file name.
template <class Args> HMODULE Load(CallName callName, Args&& args, LPCSTR name, DWORD flags) {
    std::string path;
    std::optional<Call> call;
    {
        MachineLock machine;
        call.emplace(*machine, callName, args);
        if (call->Planned()) return call->FailNull(call->PlannedError());
        if (!name || (flags & ~LOAD_LIBRARY_AS_DATAFILE) != 0) return call->FailNull(ERROR_INVALID_PARAMETER);
        const bool asData = flags & LOAD_LIBRARY_AS_DATAFILE;
        std::optional<std::string> found = asData ? std::nullopt : LoadedFileNamed(name);
        if (!found) found = FindModuleFile(name);
        if (!found) return call->FailNull(ERROR_MOD_NOT_FOUND);
        Result<MappedFile> file = MappedFile::Open(*found);
        if (!file) return call->FailNull(file.Error());
        if (DWORD bad = CheckModuleFile(file->Bytes()); bad != ERROR_SUCCESS) return call->FailNull(bad);
        if (asData) {
            const std::uintptr_t key = DataKey(*file);
            machine->modules.emplace(key, ModuleRecord{*found, nullptr, 1, std::move(*file)});
            call->Finish([&] { return ModuleArg(*machine, Handle(key)); });
            return Handle(key);
        }
        path = std::move(*found);
    }
    return Open(*call, path);
}

// A module the process has loaded, by name (NULL for the program) or by an
// address in it.
std::optional<LoadedModule> Lookup(LPCSTR nameOrAddress, bool byAddress) {
    if (byAddress) return ModuleContaining(nameOrAddress);
    if (!nameOrAddress) return LoadedModules().front();
    for (LoadedModule& module : LoadedModules())
        if (NamesModule(nameOrAddress, module.path)) return std::move(module);
    return std::nullopt;
}

bool IsHash(std::string_view digits) {
    constexpr std::size_t hashDigits = 8;
    return digits.size() == hashDigits && digits.find_first_not_of("0123456789ABCDEFabcdef") == std::string_view::npos;
}

// A module's export by the name a Windows module of the same build exports
// it under, spelled as an ELF module can spell it. '@' separates an ELF
// symbol's version, so "Unit.Class.Member@1A2B3C4D" is "Unit.Class.Member"
// in the version node "H1A2B3C4D"; a name without that ending is a symbol
// in no such node, whose Windows name carries its hash. A package exports
// its unit table as "@GetPackageInfoTable", which no ELF name can begin
// with: there it is GetPackageInfoTable.
void* FindExport(void* library, std::uintptr_t base, std::string_view name) {
    const std::size_t at = name.rfind('@');
    if (at != std::string_view::npos && at > 0 && IsHash(name.substr(at + 1)))
        return ::dlvsym(library, std::string(name.substr(0, at)).c_str(), ("H" + std::string(name.substr(at + 1))).c_str());
    if (name == "@GetPackageInfoTable") name.remove_prefix(1);
    const std::string symbol(name);
    for (const std::string& node : DefinedVersions(base))
        if (node.starts_with('H') && IsHash(std::string_view(node).substr(1)) &&
            ::dlvsym(library, symbol.c_str(), node.c_str()))
            return nullptr;
    return ::dlsym(library, symbol.c_str());
}

} // namespace

std::string ModuleArg(const Machine& machine, HMODULE module) {
    if (!module) return "NULL";
    if (auto record = machine.modules.find(Key(module)); record != machine.modules.end())
        return std::string(FileNameOf(record->second.path)) + (record->second.data ? " (data)" : "");
    if (std::optional<LoadedModule> loaded = ModuleAt(Key(module))) return std::string(FileNameOf(loaded->path));
    char value[24];
    std::snprintf(value, sizeof value, "0x%zX", static_cast<std::size_t>(Key(module)));
    return value;
}

std::string IdArg(LPCSTR id) {
    return IS_INTRESOURCE(id) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(id)) : TextArg(id);
}

std::optional<ModuleView> ViewModule(const Machine& machine, HMODULE module) {
    if (auto record = machine.modules.find(Key(module)); record != machine.modules.end()) {
        const ModuleRecord& known = record->second;
        if (known.data) return ModuleView{known.path, FileResources(known.data->Bytes()), true};
        return ModuleView{known.path, LoadedResources(record->first), false};
    }
    std::optional<LoadedModule> loaded = module ? ModuleAt(Key(module)) : LoadedModules().front();
    if (!loaded) return std::nullopt;
    return ModuleView{std::move(loaded->path), LoadedResources(loaded->base), false};
}

} // namespace hosted

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    return hosted::Load("LoadLibraryA", [&] { return hosted::TextArg(lpLibFileName); }, lpLibFileName, 0);
}

HMODULE WINAPI LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    const auto args = [&] {
        return hosted::ArgList({hosted::TextArg(lpLibFileName), hosted::HandleArg(hFile), hosted::HexArg(dwFlags)});
    };
    return hosted::Load("LoadLibraryExA", args, lpLibFileName, hFile ? ~DWORD{0} : dwFlags);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    void* library = nullptr;
    std::optional<hosted::Call> call;
    {
        hosted::MachineLock machine;
        call.emplace(*machine, hosted::CallName("FreeLibrary"),
                     [&] { return hosted::ModuleArg(*machine, hLibModule); });
        if (call->Planned()) return call->Fail(call->PlannedError());
        auto record = machine->modules.find(hosted::Key(hLibModule));
        if (record == machine->modules.end()) {
            // A module the process loaded itself stays: it is not ours to free.
            if (hLibModule && hosted::ModuleAt(hosted::Key(hLibModule))) return call->Succeed();
            return call->Fail(ERROR_MOD_NOT_FOUND);
        }
        library = record->second.library;
        if (--record->second.references == 0) machine->modules.erase(record);
        if (!library) return call->Succeed();
    }
    ::dlclose(library);
    hosted::MachineLock machine;
    return call->Succeed();
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "GetProcAddress", [&] {
        return hosted::ArgList({hosted::ModuleArg(*machine, hModule), hosted::IdArg(lpProcName)});
    });
    if (call.Planned()) return call.FailNull(call.PlannedError());
    std::optional<hosted::ModuleView> module = hosted::ViewModule(*machine, hModule);
    if (!module) return call.FailNull(ERROR_MOD_NOT_FOUND);
    if (module->data) return call.FailNull(ERROR_INVALID_HANDLE);
    // An ELF module exports names only.
    if (IS_INTRESOURCE(lpProcName)) return call.FailNull(ERROR_PROC_NOT_FOUND);
    void* library = ::dlopen(hModule ? module->path.c_str() : nullptr, RTLD_LAZY | RTLD_NOLOAD);
    if (!library) return call.FailNull(ERROR_MOD_NOT_FOUND);
    const std::uintptr_t base = hModule ? hosted::Key(hModule) : hosted::LoadedModules().front().base;
    void* found = hosted::FindExport(library, base, lpProcName);
    ::dlclose(library);
    // dlsym also searches what the module needs; Windows looks at its exports alone.
    const std::optional<hosted::LoadedModule> owner = found ? hosted::ModuleContaining(found) : std::nullopt;
    if (!owner || owner->base != base) return call.FailNull(ERROR_PROC_NOT_FOUND);
    call.Finish("ptr");
    return reinterpret_cast<FARPROC>(found);
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "GetModuleFileNameA", [&] {
        return hosted::ArgList(
            {hosted::ModuleArg(*machine, hModule), hosted::PointerArg(lpFilename), std::to_string(nSize)});
    });
    if (call.Planned()) {
        call.FinishFailed("0", call.PlannedError());
        return 0;
    }
    // A file mapped as data is not a module to ask about, as on Windows.
    std::optional<hosted::ModuleView> module = hosted::ViewModule(*machine, hModule);
    if (!module || module->data) {
        call.FinishFailed("0", ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const std::string& path = module->path;
    if (nSize == 0 || !lpFilename) {
        call.FinishFailed("0", ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // A name that does not fit is cut to the buffer, zero included, and the
    // buffer's size returned.
    const std::size_t copied = std::min<std::size_t>(path.size(), nSize - 1);
    std::memcpy(lpFilename, path.data(), copied);
    lpFilename[copied] = '\0';
    if (copied < path.size()) {
        call.FinishFailed(std::to_string(nSize), ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    call.Finish([&] { return std::to_string(copied); }, [&] { return hosted::TextArg(lpFilename); });
    return static_cast<DWORD>(copied);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "GetModuleHandleA", [&] { return hosted::TextArg(lpModuleName); });
    if (call.Planned()) return call.FailNull(call.PlannedError());
    const std::optional<hosted::LoadedModule> module = hosted::Lookup(lpModuleName, false);
    if (!module) return call.FailNull(ERROR_MOD_NOT_FOUND);
    call.Finish([&] { return hosted::ModuleArg(*machine, hosted::Handle(module->base)); });
    return hosted::Handle(module->base);
}

BOOL WINAPI GetModuleHandleExA(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule) {
    hosted::MachineLock machine;
    const bool byAddress = dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
    hosted::Call call(*machine, "GetModuleHandleExA", [&] {
        return hosted::ArgList({hosted::HexArg(dwFlags),
                                byAddress ? hosted::PointerArg(lpModuleName) : hosted::TextArg(lpModuleName),
                                hosted::PointerArg(phModule)});
    });
    if (phModule) *phModule = nullptr;
    if (call.Planned()) return call.Fail(call.PlannedError());
    constexpr DWORD known = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!phModule || (dwFlags & ~known) != 0) return call.Fail(ERROR_INVALID_PARAMETER);
    const std::optional<hosted::LoadedModule> module = hosted::Lookup(lpModuleName, byAddress);
    if (!module) return call.Fail(ERROR_MOD_NOT_FOUND);
    if (!(dwFlags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT)) {
        // A counted reference, for FreeLibrary to give back; the module is
        // loaded, so this dlopen runs nothing.
        void* library = ::dlopen(module->path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!library) return call.Fail(ERROR_MOD_NOT_FOUND);
        hosted::ModuleRecord& record = machine->modules[module->base];
        record.path = module->path;
        record.library = library;
        ++record.references;
    }
    *phModule = hosted::Handle(module->base);
    return call.Succeed([&] { return hosted::ModuleArg(*machine, *phModule); });
}
