// Calls that must fail, and VWIN32 services that must answer with carry set:
// the nth call of a name (optionally of one control code), or the nth request
// of a service, since that entry of the plan was set.
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
    // `call` is "Name", "DeviceIoControl:CODE" or a service ("INT13");
    // `value` is the error a call sets, or the status a service answers,
    // instead of its row's. Replaces an entry of the same call.
    void Fail(std::string_view call, const std::vector<unsigned>& ordinals, std::optional<DWORD> value = std::nullopt);
    // "ReadFile#1,2;DeviceIoControl:0x90018#1;INT13#1=0x06". A call (with
    // its control code) that the text plans twice is refused.
    void Plan(std::string_view text);
    void Clear() { entries_.clear(); }
    bool Empty() const { return entries_.empty(); }

    // Counts one call (or service request) and gives the error (or status)
    // it must fail with when the plan makes it fail: the entry's value, else
    // `planned`, its row's.
    std::optional<DWORD> Strike(std::string_view name, std::optional<DWORD> code, DWORD planned);

private:
    struct Entry {
        std::string name;
        std::optional<DWORD> code;
        std::set<unsigned> ordinals;
        std::optional<DWORD> value;
        unsigned seen = 0;
    };
    // Throws ConfigError quoting `call` when it cannot be planned so.
    static Entry MakeEntry(std::string_view call, const std::vector<unsigned>& ordinals, std::optional<DWORD> value);
    std::vector<Entry> entries_;
};

} // namespace hosted
