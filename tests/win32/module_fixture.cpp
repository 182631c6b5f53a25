// A module to load: it exports a function by plain name and one by a name
// in a version node (module_fixture.map), and it asks for its own file name
// when it is initialised and finalised, so that the journal shows when
// LoadLibraryA and FreeLibrary run them.
#include "win32/win32.h"

namespace {
HMODULE Self() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Self), &self);
    return self;
}

void AskOwnName() {
    char name[260];
    GetModuleFileNameA(Self(), name, sizeof name);
}

struct Lifetime {
    Lifetime() { AskOwnName(); }
    ~Lifetime() { AskOwnName(); }
} lifetime;
} // namespace

extern "C" int FixtureAnswer() { return 42; }
extern "C" int FixtureVersioned() { return 7; }
