// Calls that must fail: the nth call of a name (optionally of one control
// code) since that entry of the plan was set.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "win32/win32.h"

namespace hosted {

class FaultPlan {
public:
    // `call` is "Name" or "DeviceIoControl:CODE"; replaces an entry of the same call.
    void Fail(std::string_view call, const std::vector<unsigned>& ordinals);
    // "ReadFile#1,2;DeviceIoControl:0x90018#1"
    void Plan(std::string_view text);
    void Clear() { entries_.clear(); }

    // Counts one call and says whether the plan makes it fail.
    bool Strike(std::string_view name, std::optional<DWORD> code);

private:
    struct Entry {
        std::string name;
        std::optional<DWORD> code;
        std::set<unsigned> ordinals;
        unsigned seen = 0;
    };
    std::vector<Entry> entries_;
};

} // namespace hosted
