#include "win32/hosted/elf_module.h"

#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <string_view>
#include <unistd.h>

#include "win32/hosted/elf_notes.h"
#include "win32/hosted/module_check.h"
#include "win32/hosted/resource_note.h"

// This library's own ELF header: a loadable module is one of its kind.
extern "C" const ElfW(Ehdr) __ehdr_start;

namespace hosted {

namespace {

template <typename T> T ReadAt(ByteView bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// The resource note's contents among the notes of one segment.
ByteView ResourceNoteIn(ByteView notes, std::uint64_t segmentAlign) {
    constexpr std::string_view owner(ZELVAN_RESOURCE_NOTE_OWNER, sizeof ZELVAN_RESOURCE_NOTE_OWNER);
    ByteView found;
    ForEachNote(notes, segmentAlign, [&](std::string_view name, std::uint32_t type, ByteView descriptor) {
        if (name != owner || type != ZELVAN_RESOURCE_NOTE_TYPE) return false;
        found = descriptor;
        return true;
    });
    return found;
}

template <typename Visit> void ForEachMapped(Visit visit) {
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) { return (*static_cast<Visit*>(data))(*info) ? 1 : 0; },
        &visit);
}

// Where the module's first bytes, its ELF header, are mapped.
std::optional<std::uintptr_t> BaseOf(const dl_phdr_info& info) {
    for (ElfW(Half) i = 0; i < info.dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info.dlpi_phdr[i];
        if (segment.p_type == PT_LOAD && segment.p_offset == 0) return info.dlpi_addr + segment.p_vaddr;
    }
    return std::nullopt;
}

std::string ProgramPath() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

} // namespace

DWORD CheckModuleFile(ByteView file) { return ModuleFault(file).empty() ? ERROR_SUCCESS : ERROR_BAD_EXE_FORMAT; }

ByteView FileResources(ByteView file) {
    const auto header = ReadAt<ElfW(Ehdr)>(file, 0);
    for (ElfW(Half) i = 0; i < header.e_phnum; ++i) {
        const auto segment = ReadAt<ElfW(Phdr)>(file, header.e_phoff + i * sizeof(ElfW(Phdr)));
        if (segment.p_type != PT_NOTE) continue;
        ByteView found = ResourceNoteIn(file.subspan(segment.p_offset, segment.p_filesz), segment.p_align);
        if (!found.empty()) return found;
    }
    return {};
}

std::vector<LoadedModule> LoadedModules() {
    std::vector<LoadedModule> modules;
    ForEachMapped([&](const dl_phdr_info& info) {
        const std::optional<std::uintptr_t> base = BaseOf(info);
        const bool program = modules.empty();
        if (base && (program || (info.dlpi_name && *info.dlpi_name)))
            modules.push_back({*base, program ? ProgramPath() : std::string(info.dlpi_name)});
        return false;
    });
    return modules;
}

std::optional<LoadedModule> ModuleAt(std::uintptr_t base) {
    for (LoadedModule& module : LoadedModules())
        if (module.base == base) return std::move(module);
    return std::nullopt;
}

std::optional<LoadedModule> ModuleContaining(const void* address) {
    Dl_info info;
    if (!::dladdr(address, &info) || !info.dli_fbase) return std::nullopt;
    return ModuleAt(reinterpret_cast<std::uintptr_t>(info.dli_fbase));
}

ByteView LoadedResources(std::uintptr_t base) {
    ByteView found;
    ForEachMapped([&](const dl_phdr_info& info) {
        if (BaseOf(info) != base) return false;
        for (ElfW(Half) i = 0; i < info.dlpi_phnum && found.empty(); ++i) {
            const ElfW(Phdr)& segment = info.dlpi_phdr[i];
            if (segment.p_type != PT_NOTE) continue;
            const auto* start = reinterpret_cast<const unsigned char*>(info.dlpi_addr + segment.p_vaddr);
            found = ResourceNoteIn(ByteView(start, segment.p_memsz), segment.p_align);
        }
        return true;
    });
    return found;
}

std::vector<std::string> DefinedVersions(std::uintptr_t base) {
    std::vector<std::string> names;
    ForEachMapped([&](const dl_phdr_info& info) {
        if (BaseOf(info) != base) return false;
        // The loader turns some of the dynamic section's addresses from the
        // module's own into the process's, and leaves others as they were.
        auto address = [&](ElfW(Addr) value) { return value >= info.dlpi_addr ? value : info.dlpi_addr + value; };
        ElfW(Addr) strings = 0, definitions = 0;
        ElfW(Xword) count = 0;
        for (ElfW(Half) i = 0; i < info.dlpi_phnum; ++i) {
            const ElfW(Phdr)& segment = info.dlpi_phdr[i];
            if (segment.p_type != PT_DYNAMIC) continue;
            for (auto* entry = reinterpret_cast<const ElfW(Dyn)*>(info.dlpi_addr + segment.p_vaddr);
                 entry->d_tag != DT_NULL; ++entry) {
                if (entry->d_tag == DT_STRTAB) strings = address(entry->d_un.d_ptr);
                if (entry->d_tag == DT_VERDEF) definitions = address(entry->d_un.d_ptr);
                if (entry->d_tag == DT_VERDEFNUM) count = entry->d_un.d_val;
            }
        }
        for (ElfW(Addr) at = definitions; strings && at && count-- > 0;) {
            const auto* definition = reinterpret_cast<const ElfW(Verdef)*>(at);
            const auto* name = reinterpret_cast<const ElfW(Verdaux)*>(at + definition->vd_aux);
            names.emplace_back(reinterpret_cast<const char*>(strings + name->vda_name));
            at = definition->vd_next ? at + definition->vd_next : 0;
        }
        return true;
    });
    return names;
}

} // namespace hosted
