// The call journal: one line per call, kept in memory and copied to a trace
// file or standard error when one is set.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "win32/hosted/unique_fd.h"
#include "win32/win32.h"

namespace hosted {

class CallJournal {
public:
    void Add(std::string line);
    const std::vector<std::string>& Lines() const { return lines_; }
    void Clear() { lines_.clear(); }
    // "-" for standard error, "" for no trace; throws ConfigError naming a
    // file that cannot be opened for appending.
    void TraceTo(std::string_view path);

private:
    std::vector<std::string> lines_;
    UniqueFd trace_;
    bool traceToStderr_ = false;
};

// How arguments and results are written.
std::string TextArg(const char* text);       // "..." with " and controls as \xNN; NULL
std::string PointerArg(const void* pointer); // NULL or ptr
std::string HandleArg(HANDLE handle);        // h1, INVALID_HANDLE_VALUE, NULL
std::string HexArg(DWORD value);             // 0x90018
std::string RegisterArg(DWORD value);        // 0x0000FFFF
std::string ArgList(std::initializer_list<std::string> args); // "a, b, c"

} // namespace hosted
