// The call journal: one line per call, kept in memory while a program asks
// for it (tests do) and copied to a trace file or standard error when one is
// set. When neither wants a line, no line is made.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "win32/hosted/unique_fd.h"
#include "win32/win32.h"

namespace hosted {

class CallJournal {
public:
    // Whether a line would go anywhere; a call formats nothing otherwise.
    bool Wanted() const { return keep_ || traceToStderr_ || trace_.get() >= 0; }
    bool Kept() const { return keep_; }
    // Keeping stops with the lines kept so far forgotten.
    void Keep(bool keep);
    void Add(std::string line);
    const std::vector<std::string>& Lines() const { return lines_; }
    void Clear() { lines_.clear(); }
    // "-" for standard error, "" for no trace; throws ConfigError naming a
    // file that cannot be opened for appending, or a FIFO that no program
    // reads (which would hold the program until one did).
    void TraceTo(std::string_view path);
    // Why the trace stopped short, naming it and the system's reason for the
    // first line it could not take, after which it took none; empty while
    // it has them all.
    const std::string& TraceFailure() const { return traceFailure_; }
    // The trace file, when one is open.
    const UniqueFd& TraceFile() const { return trace_; }
    // Stops tracing to the file, and takes back the lines this journal
    // appended to it, when no one else has written to it since.
    void WithdrawTrace();

private:
    bool keep_ = false;
    std::vector<std::string> lines_;
    UniqueFd trace_;
    bool traceToStderr_ = false;
    std::uint64_t traceStart_ = 0; // the trace file's size when it was opened
    std::uint64_t traced_ = 0;     // the bytes appended to it since
    std::string traceName_;        // as messages name the trace
    std::string traceFailure_;
};

// How arguments and results are written.
std::string TextArg(const char* text);       // "..." with " and controls as \xNN; NULL
std::string PointerArg(const void* pointer); // NULL or ptr
std::string HandleArg(HANDLE handle);        // h1, INVALID_HANDLE_VALUE, NULL
std::string HexArg(DWORD value);             // 0x90018
std::string RegisterArg(DWORD value);        // 0x0000FFFF
std::string ArgList(std::initializer_list<std::string> args); // "a, b, c"

} // namespace hosted
