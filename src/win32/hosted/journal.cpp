#include "win32/hosted/journal.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "win32/hosted/hosted_pc.h"

namespace hosted {

void CallJournal::Add(std::string line) {
    if (traceToStderr_ || trace_.get() >= 0) {
        // One write per line, so that lines of several processes appending
        // to one trace file never interleave. A trace that cannot be written
        // must not break the call; it stops, and says why when asked.
        std::string record = line + '\n';
        if (!WriteAll(traceToStderr_ ? STDERR_FILENO : trace_.get(), record)) {
            traceFailure_ = traceName_ + " could not be written: " + std::strerror(errno) + "; the journal stops short";
            trace_ = UniqueFd();
            traceToStderr_ = false;
        } else if (!traceToStderr_) {
            traced_ += record.size();
        }
    }
    if (keep_) lines_.push_back(std::move(line));
}

void CallJournal::Keep(bool keep) {
    keep_ = keep;
    if (!keep) lines_.clear();
}

void CallJournal::TraceTo(std::string_view path) {
    traceFailure_.clear();
    if (path.empty()) {
        trace_ = UniqueFd();
        traceToStderr_ = false;
        return;
    }
    if (path == "-") {
        trace_ = UniqueFd();
        traceToStderr_ = true;
        traceName_ = "the trace to standard error";
        return;
    }
    std::string name(path);
    // Without O_NONBLOCK, opening a FIFO waits for a reader.
    UniqueFd fd(::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666));
    if (fd.get() < 0 && errno == ENXIO)
        throw ConfigError("trace file '" + name + "' is a FIFO that no program reads");
    if (fd.get() < 0)
        throw ConfigError("trace file '" + name + "' cannot be opened for appending: " + std::strerror(errno));
    // Lines are then written as to any file: whole, waiting as they must.
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    struct stat info {};
    traceStart_ = ::fstat(fd.get(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    traced_ = 0;
    trace_ = std::move(fd);
    traceToStderr_ = false;
    traceName_ = "trace file '" + name + "'";
}

void CallJournal::WithdrawTrace() {
    struct stat info {};
    if (trace_.get() >= 0 && traced_ > 0 && ::fstat(trace_.get(), &info) == 0 &&
        static_cast<std::uint64_t>(info.st_size) == traceStart_ + traced_)
        (void)!::ftruncate(trace_.get(), static_cast<off_t>(traceStart_));
    trace_ = UniqueFd();
    traced_ = 0;
}

std::string TextArg(const char* text) {
    if (!text) return "NULL";
    std::string out = "\"";
    for (const char* c = text; *c; ++c) {
        auto byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || byte >= 0x7F || byte == '"') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += *c;
        }
    }
    return out + "\"";
}

std::string PointerArg(const void* pointer) { return pointer ? "ptr" : "NULL"; }

std::string HandleArg(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) return "INVALID_HANDLE_VALUE";
    if (!handle) return "NULL";
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value % 4 == 0) return "h" + std::to_string(value / 4);
    char text[24];
    std::snprintf(text, sizeof text, "0x%zX", static_cast<std::size_t>(value));
    return text;
}

std::string HexArg(DWORD value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

std::string RegisterArg(DWORD value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string ArgList(std::initializer_list<std::string> args) {
    std::string out;
    for (const std::string& arg : args) {
        if (!out.empty()) out += ", ";
        out += arg;
    }
    return out;
}

} // namespace hosted
