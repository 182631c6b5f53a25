#include "win32/hosted/fault_plan.h"

#include "win32/hosted/call_table.h"
#include "win32/hosted/config_text.h"
#include "win32/win_errors.h"

namespace hosted {

namespace {

// The largest value a planned fault of `name` may set; nothing when `name`
// names nothing that can fail.
std::optional<DWORD> LargestValue(std::string_view name) {
    if (const HostedCall* row = FindHostedCall(name); row && row->plannedError) return 0xFFFFFFFF;
    if (const HostedService* service = FindHostedService(name)) return MaxStatus(*service);
    return std::nullopt;
}

// "1,2,3,4": the call numbers of both entries, in order.
std::string Joined(const std::set<unsigned>& first, const std::set<unsigned>& second) {
    std::set<unsigned> all = first;
    all.insert(second.begin(), second.end());
    std::string text;
    for (unsigned ordinal : all) text += (text.empty() ? "" : ",") + std::to_string(ordinal);
    return text;
}

} // namespace

void FaultPlan::Fail(std::string_view call, const std::vector<unsigned>& ordinals, std::optional<DWORD> value) {
    Entry entry = MakeEntry(call, ordinals, value);
    std::erase_if(entries_, [&](const Entry& e) { return e.name == entry.name && e.code == entry.code; });
    entries_.push_back(std::move(entry));
}

FaultPlan::Entry FaultPlan::MakeEntry(std::string_view call, const std::vector<unsigned>& ordinals,
                                      std::optional<DWORD> value) {
    const std::string quoted = "fault call '" + std::string(call) + "'";
    Entry entry;
    std::size_t colon = call.find(':');
    entry.name = std::string(call.substr(0, colon));
    const std::optional<DWORD> largest = LargestValue(entry.name);
    if (!largest) throw ConfigError(quoted + " names no call or service that can fail");
    if (colon != std::string_view::npos) {
        if (!TakesControlCode(entry.name)) throw ConfigError(quoted + ": " + entry.name + " takes no control code");
        entry.code = ParseNumber(call.substr(colon + 1), "control code");
    }
    if (ordinals.empty()) throw ConfigError(quoted + " has no call numbers");
    for (unsigned ordinal : ordinals) {
        if (ordinal == 0) throw ConfigError(quoted + ": calls are counted from 1");
        entry.ordinals.insert(ordinal);
    }
    // A call fails with an error and a service with a status, neither of them 0.
    if (value && (*value == 0 || *value > *largest))
        throw ConfigError(quoted + ": " + (FindHostedService(entry.name) ? "status " : "error ") +
                          std::to_string(*value) + " is not from 1 to " + std::to_string(*largest));
    // So that the machine returns no error the tools cannot name.
    if (value && !FindHostedService(entry.name) && !win32::IsNamedError(*value))
        throw ConfigError(quoted + ": error " + std::to_string(*value) +
                          " is none of the Windows errors the machine knows");
    entry.value = value;
    return entry;
}

void FaultPlan::Plan(std::string_view text) {
    struct Parsed {
        std::string_view call;
        std::vector<unsigned> ordinals;
        std::optional<DWORD> value;
    };
    std::vector<Parsed> parsed;
    while (!text.empty()) {
        std::size_t end = text.find(';');
        std::string_view item = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (item.empty()) continue;
        const std::string quoted = "fault '" + std::string(item) + "'";
        std::size_t hash = item.find('#');
        if (hash == std::string_view::npos) throw ConfigError(quoted + " is not CALL#N[,N...][=VALUE]");
        Parsed entry{item.substr(0, hash), {}, std::nullopt};
        std::string_view list = item.substr(hash + 1);
        if (std::size_t equals = list.find('='); equals != std::string_view::npos) {
            entry.value = ParseNumber(list.substr(equals + 1), "value in " + quoted);
            list = list.substr(0, equals);
        }
        while (true) {
            std::size_t comma = list.find(',');
            entry.ordinals.push_back(ParseNumber(list.substr(0, comma), "call number in " + quoted));
            if (comma == std::string_view::npos) break;
            list = list.substr(comma + 1);
        }
        parsed.push_back(std::move(entry));
    }
    // Checked whole before any of it takes effect. A call planned twice in
    // one text would lose one of its plans: it is named instead.
    FaultPlan staged = *this;
    std::vector<Entry> planned;
    for (const Parsed& given : parsed) {
        Entry entry = MakeEntry(given.call, given.ordinals, given.value);
        for (const Entry& earlier : planned)
            if (earlier.name == entry.name && earlier.code == entry.code)
                throw ConfigError("fault call '" + std::string(given.call) +
                                  "' is planned twice: give all its call numbers in one entry, as " +
                                  std::string(given.call) + "#" + Joined(earlier.ordinals, entry.ordinals));
        staged.Fail(given.call, given.ordinals, given.value);
        planned.push_back(std::move(entry));
    }
    *this = std::move(staged);
}

std::optional<DWORD> FaultPlan::Strike(std::string_view name, std::optional<DWORD> code, DWORD planned) {
    std::optional<DWORD> fault;
    for (Entry& entry : entries_) {
        if (entry.name != name || (entry.code && entry.code != code)) continue;
        ++entry.seen;
        if (!fault && entry.ordinals.count(entry.seen) != 0) fault = entry.value.value_or(planned);
    }
    return fault;
}

} // namespace hosted
