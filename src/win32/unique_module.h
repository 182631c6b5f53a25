// A module handle, loaded or mapped as data, freed on every way out.
#pragma once

#include "win32/win32.h"

namespace win32 {

class UniqueModule {
public:
    explicit UniqueModule(HMODULE module) : module_(module) {}
    ~UniqueModule() {
        if (module_) FreeLibrary(module_);
    }
    UniqueModule(const UniqueModule&) = delete;
    UniqueModule& operator=(const UniqueModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

} // namespace win32
