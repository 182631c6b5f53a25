// What the module calls and the resource calls share: how a module handle
// is found and how it and a resource id are written in the journal.
#pragma once

#include <optional>
#include <string>

#include "win32/hosted/machine_state.h"

namespace hosted {

struct ModuleView {
    std::string path;
    ByteView resources;
    bool data; // mapped by LOAD_LIBRARY_AS_DATAFILE
};
// The module behind a handle: one that LoadLibraryExA mapped as data, or a
// loaded one; NULL is the program. nullopt when the handle names none.
std::optional<ModuleView> ViewModule(const Machine& machine, HMODULE module);

// The module's file name ("ZelvanPack.bpl", "ZelvanPack.bpl (data)"), NULL,
// or the handle's value when it names no module.
std::string ModuleArg(const Machine& machine, HMODULE module);
// A name that may be a number: "#2" for MAKEINTRESOURCEA(2), else quoted text.
std::string IdArg(LPCSTR id);

} // namespace hosted
