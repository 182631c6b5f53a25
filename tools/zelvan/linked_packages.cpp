// zelvan built with runtime packages (ZELVAN_WITH_PACKAGES): the system
// loads ZelvanPack and the runtime package with the program, found beside
// it or along the library path, and this start-up code initializes the
// package's units before main runs and finalizes them after it, as an
// application's start-up code does for the packages it was linked with.
#include <cstdio>
#include <cstdlib>

#include "vcl/packages.h"

namespace {

const vcl::TLinkedPackage zelvanPack = [] {
    try {
        return vcl::TLinkedPackage(ZELVAN_LINKED_PACKAGE);
    } catch (const vcl::EPackageError& error) {
        std::fprintf(stderr, "zelvan: %s\n", error.what());
        std::exit(1);
    }
}();

} // namespace
