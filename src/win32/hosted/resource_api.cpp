// The resource calls of kernel32: FindResourceA, LoadResource,
// SizeofResource and LockResource, on the resources a module carries in
// its resource note (resource_note.h). An HRSRC is the address of the
// resource's entry, checked on every use; the data stays where the module
// keeps it, so LoadResource and LockResource hand out its address.
#include <cstdio>

#include "win32/hosted/module_calls.h"
#include "win32/hosted/resource_image.h"

namespace hosted {
namespace {

std::string TypeArg(LPCSTR type) {
    if (type == RT_BITMAP) return "RT_BITMAP";
    if (type == RT_RCDATA) return "RT_RCDATA";
    return IdArg(type);
}

// The entry `resource` names in `module`'s resources, or the error to fail with.
Result<ResourceEntry> EntryOf(const Machine& machine, HMODULE module, HRSRC resource) {
    const std::optional<ModuleView> view = ViewModule(machine, module);
    if (!view) return Refusal{ERROR_MOD_NOT_FOUND, {}};
    std::optional<ResourceEntry> entry = ResourceEntryAt(view->resources, resource);
    if (!entry) return Refusal{ERROR_INVALID_HANDLE, {}};
    return *entry;
}

} // namespace
} // namespace hosted

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "FindResourceA", [&] {
        return hosted::ArgList({hosted::ModuleArg(*machine, hModule), hosted::IdArg(lpName), hosted::TypeArg(lpType)});
    });
    if (call.Planned()) return call.FailNull(call.PlannedError());
    const std::optional<hosted::ModuleView> module = hosted::ViewModule(*machine, hModule);
    if (!module) return call.FailNull(ERROR_MOD_NOT_FOUND);
    const hosted::Result<hosted::ResourceEntry> entry =
        hosted::FindResourceEntry(module->resources, lpName, lpType, LANGIDFROMLCID(GetThreadLocale()));
    if (!entry) return call.FailNull(entry.Error());
    call.Finish("ptr", [&] { return std::to_string(entry->data.size()) + " bytes"; });
    return const_cast<unsigned char*>(entry->header);
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "LoadResource", [&] {
        return hosted::ArgList({hosted::ModuleArg(*machine, hModule), hosted::PointerArg(hResInfo)});
    });
    if (call.Planned()) return call.FailNull(call.PlannedError());
    const hosted::Result<hosted::ResourceEntry> entry = hosted::EntryOf(*machine, hModule, hResInfo);
    if (!entry) return call.FailNull(entry.Error());
    call.Finish("ptr");
    return const_cast<unsigned char*>(entry->data.data());
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "SizeofResource", [&] {
        return hosted::ArgList({hosted::ModuleArg(*machine, hModule), hosted::PointerArg(hResInfo)});
    });
    const hosted::Result<hosted::ResourceEntry> entry =
        call.Planned() ? hosted::Refusal{call.PlannedError(), {}} : hosted::EntryOf(*machine, hModule, hResInfo);
    if (!entry) {
        call.FinishFailed("0", entry.Error());
        return 0;
    }
    const auto size = static_cast<DWORD>(entry->data.size());
    call.Finish([&] { return std::to_string(size); });
    return size;
}

LPVOID WINAPI LockResource(HGLOBAL hResData) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "LockResource", [&] { return hosted::PointerArg(hResData); });
    if (call.Planned()) return call.FailNull(call.PlannedError());
    if (!hResData) return call.FailNull(ERROR_INVALID_HANDLE);
    call.Finish("ptr");
    return hResData;
}
