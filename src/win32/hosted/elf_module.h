// ELF shared objects as the hosted loader sees them: whether a file is a
// module this process can load, which modules are loaded, and where a
// module keeps its resources, in a file or in memory.
//
// A module's handle (HMODULE) is the address where its ELF header is
// mapped, as a Windows module's handle is the address of its headers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "win32/win32.h"

namespace hosted {

using ByteView = std::span<const unsigned char>;

// ERROR_SUCCESS for a well-formed ELF shared object of this process's
// class, byte order and machine (module_check.h); ERROR_BAD_EXE_FORMAT for
// anything else.
DWORD CheckModuleFile(ByteView file);
// The resources (a .res image) of a file that passed CheckModuleFile;
// empty when it has none.
ByteView FileResources(ByteView file);

struct LoadedModule {
    std::uintptr_t base; // the module's handle
    std::string path;    // as the dynamic loader found it; the program's own file for the program
};
// Every module mapped into the process, the program first.
std::vector<LoadedModule> LoadedModules();
std::optional<LoadedModule> ModuleAt(std::uintptr_t base);
std::optional<LoadedModule> ModuleContaining(const void* address);
// The resources of a mapped module; empty when it has none.
ByteView LoadedResources(std::uintptr_t base);
// The names of the version nodes a mapped module defines, the base node
// (the module's own name) first; empty when it defines none.
std::vector<std::string> DefinedVersions(std::uintptr_t base);

} // namespace hosted
