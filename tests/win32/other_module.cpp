// A shared object of its own, as a package is, that works on the machine.
#include "win32/win32.h"

extern "C" UINT OtherModuleSetsErrorMode(UINT mode) { return SetErrorMode(mode); }
