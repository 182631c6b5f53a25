#include "win32/hosted/fault_plan.h"

#include "win32/hosted/call_table.h"
#include "win32/hosted/config_text.h"

namespace hosted {

void FaultPlan::Fail(std::string_view call, const std::vector<unsigned>& ordinals) {
    Entry entry;
    std::size_t colon = call.find(':');
    entry.name = std::string(call.substr(0, colon));
    const HostedCall* row = FindHostedCall(entry.name);
    if (!row || !row->plannedError)
        throw ConfigError("fault call '" + std::string(call) + "' names no call that can fail");
    if (colon != std::string_view::npos) {
        if (!TakesControlCode(entry.name))
            throw ConfigError("fault call '" + std::string(call) + "': " + entry.name + " takes no control code");
        entry.code = ParseNumber(call.substr(colon + 1), "control code");
    }
    if (ordinals.empty()) throw ConfigError("fault call '" + std::string(call) + "' has no call numbers");
    for (unsigned ordinal : ordinals) {
        if (ordinal == 0) throw ConfigError("fault call '" + std::string(call) + "': calls are counted from 1");
        entry.ordinals.insert(ordinal);
    }
    std::erase_if(entries_, [&](const Entry& e) { return e.name == entry.name && e.code == entry.code; });
    entries_.push_back(std::move(entry));
}

void FaultPlan::Plan(std::string_view text) {
    std::vector<std::pair<std::string_view, std::vector<unsigned>>> parsed;
    while (!text.empty()) {
        std::size_t end = text.find(';');
        std::string_view item = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (item.empty()) continue;
        std::size_t hash = item.find('#');
        if (hash == std::string_view::npos)
            throw ConfigError("fault '" + std::string(item) + "' is not CALL#N[,N...]");
        std::vector<unsigned> ordinals;
        std::string_view list = item.substr(hash + 1);
        while (true) {
            std::size_t comma = list.find(',');
            ordinals.push_back(ParseNumber(list.substr(0, comma), "call number in fault '" + std::string(item) + "'"));
            if (comma == std::string_view::npos) break;
            list = list.substr(comma + 1);
        }
        parsed.emplace_back(item.substr(0, hash), std::move(ordinals));
    }
    // Checked whole before any of it takes effect.
    FaultPlan staged = *this;
    for (const auto& [call, ordinals] : parsed) staged.Fail(call, ordinals);
    *this = std::move(staged);
}

bool FaultPlan::Strike(std::string_view name, std::optional<DWORD> code) {
    bool fails = false;
    for (Entry& entry : entries_) {
        if (entry.name != name || (entry.code && entry.code != code)) continue;
        ++entry.seen;
        fails = fails || entry.ordinals.count(entry.seen) != 0;
    }
    return fails;
}

} // namespace hosted
