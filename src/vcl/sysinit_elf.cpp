// The start of an ELF package: the dynamic loader runs a module's
// initialisation when it maps it and its finalisation when it unmaps it,
// and these call the module's entry point, as the start-up code of a
// Windows module calls DllMain. An ELF module cannot refuse to be loaded:
// what the entry point answers to DLL_PROCESS_ATTACH is not looked at.
#include <link.h>

#include "win32/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE Instance, DWORD Reason, LPVOID Reserved);

// The module's own ELF header, whose address is its handle.
extern "C" const ElfW(Ehdr) __ehdr_start;

namespace {

HINSTANCE Self() { return const_cast<ElfW(Ehdr)*>(&__ehdr_start); }

struct EntryPoint {
    EntryPoint() { DllMain(Self(), DLL_PROCESS_ATTACH, nullptr); }
    ~EntryPoint() { DllMain(Self(), DLL_PROCESS_DETACH, nullptr); }
    EntryPoint(const EntryPoint&) = delete;
    EntryPoint& operator=(const EntryPoint&) = delete;
} entryPoint;

} // namespace
