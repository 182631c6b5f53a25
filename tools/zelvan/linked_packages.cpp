// zelvan built with runtime packages (ZELVAN_WITH_PACKAGES): the system
// loads ZelvanPack and the runtime package with the program, found beside
// it or along the library path, and this start-up code initializes the
// package's units before main runs and finalizes them after it, as an
// application's start-up code does for the packages it was linked with. It
// never calls Register: that is for design time.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vcl/packages.h"

namespace {

class LinkedPackage {
public:
    explicit LinkedPackage(const char* name) : module_(GetModuleHandleA(name)) {
        try {
            if (!module_) throw vcl::EPackageError(std::string(name) + " was not loaded with the program");
            vcl::InitializePackage(module_);
        } catch (const vcl::EPackageError& error) {
            std::fprintf(stderr, "zelvan: %s\n", error.what());
            std::exit(1);
        }
    }
    ~LinkedPackage() { vcl::FinalizePackage(module_); }
    LinkedPackage(const LinkedPackage&) = delete;
    LinkedPackage& operator=(const LinkedPackage&) = delete;

private:
    HMODULE module_;
};

const LinkedPackage zelvanPack(ZELVAN_LINKED_PACKAGE);

} // namespace
