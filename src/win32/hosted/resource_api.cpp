// The resource calls of kernel32: FindResourceA, LoadResource,
// SizeofResource and LockResource, on the resources a module carries in
// its resource note (resource_note.h). An HRSRC is the address of the
// resource's entry, checked on every use; the data stays where the module
// keeps it, so LoadResource and LockResource hand out its address.
#include <cstdio>

#include "win32/hosted/module_calls.h"
#include "win32/hosted/resource_image.h"

using namespace hosted;

namespace {

std::string TypeArg(LPCSTR type) {
    if (type == RT_BITMAP) return "RT_BITMAP";
    if (type == RT_RCDATA) return "RT_RCDATA";
    return IdArg(type);
}

// The entry `resource` names in `module`'s resources, or the error to fail with.
std::optional<ResourceEntry> EntryOf(const Machine& machine, HMODULE module, HRSRC resource, DWORD& error) {
    const std::optional<ModuleView> view = ViewModule(machine, module);
    std::optional<ResourceEntry> entry = view ? ResourceEntryAt(view->resources, resource) : std::nullopt;
    error = !view ? ERROR_MOD_NOT_FOUND : ERROR_INVALID_HANDLE;
    return entry;
}

} // namespace

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    MachineLock machine;
    Call call(*machine, "FindResourceA",
              [&] { return ArgList({ModuleArg(*machine, hModule), IdArg(lpName), TypeArg(lpType)}); });
    if (call.Planned()) return call.FailNull(call.PlannedError());
    const std::optional<ModuleView> module = ViewModule(*machine, hModule);
    if (!module) return call.FailNull(ERROR_MOD_NOT_FOUND);
    DWORD error = ERROR_SUCCESS;
    const std::optional<ResourceEntry> entry =
        FindResourceEntry(module->resources, lpName, lpType, LANGIDFROMLCID(GetThreadLocale()), error);
    if (!entry) return call.FailNull(error);
    call.Finish("ptr", [&] { return std::to_string(entry->data.size()) + " bytes"; });
    return const_cast<unsigned char*>(entry->header);
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
    MachineLock machine;
    Call call(*machine, "LoadResource", [&] { return ArgList({ModuleArg(*machine, hModule), PointerArg(hResInfo)}); });
    if (call.Planned()) return call.FailNull(call.PlannedError());
    DWORD error = ERROR_SUCCESS;
    const std::optional<ResourceEntry> entry = EntryOf(*machine, hModule, hResInfo, error);
    if (!entry) return call.FailNull(error);
    call.Finish("ptr");
    return const_cast<unsigned char*>(entry->data.data());
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    MachineLock machine;
    Call call(*machine, "SizeofResource", [&] { return ArgList({ModuleArg(*machine, hModule), PointerArg(hResInfo)}); });
    DWORD error = call.Planned() ? call.PlannedError() : ERROR_SUCCESS;
    const std::optional<ResourceEntry> entry =
        call.Planned() ? std::nullopt : EntryOf(*machine, hModule, hResInfo, error);
    if (!entry) {
        call.FinishFailed("0", error);
        return 0;
    }
    const auto size = static_cast<DWORD>(entry->data.size());
    call.Finish([&] { return std::to_string(size); });
    return size;
}

LPVOID WINAPI LockResource(HGLOBAL hResData) {
    MachineLock machine;
    Call call(*machine, "LockResource", [&] { return PointerArg(hResData); });
    if (call.Planned()) return call.FailNull(call.PlannedError());
    if (!hResData) return call.FailNull(ERROR_INVALID_HANDLE);
    call.Finish("ptr");
    return hResData;
}
