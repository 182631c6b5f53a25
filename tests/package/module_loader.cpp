// A program on the hosted backend that loads one module with LoadLibraryA
// and holds no runtime package of its own, so that what a package requires
// is looked for as the system looks for it:
//   package_module_loader FILE   prints "loaded", or "refused" and the error
#include <cstdio>

#include "win32/win32.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: package_module_loader FILE\n");
        return 2;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    if (!module) {
        std::printf("refused %u\n", static_cast<unsigned>(GetLastError()));
        return 1;
    }
    std::printf("loaded\n");
    FreeLibrary(module);
    return 0;
}
