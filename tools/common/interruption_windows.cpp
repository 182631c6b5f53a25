#include "common/interruption.h"

#include <csignal>
#include <cstdlib>

namespace tools {

namespace {

constexpr int caught[] = {SIGINT, SIGBREAK, SIGTERM};

} // namespace

// The runtime calls the handler on a thread of its own, once: it resets the
// signal's handling to the default, which ends the process, before the call.
void CatchInterruptions() {
    for (const int signal : caught)
        if (std::signal(signal, NoteInterruption) == SIG_IGN) std::signal(signal, SIG_IGN);
}

std::string SignalName(int signal) {
    switch (signal) {
    case SIGINT: return "Ctrl+C";
    case SIGBREAK: return "Ctrl+Break";
    case SIGTERM: return "SIGTERM";
    default: return "signal " + std::to_string(signal);
    }
}

// Windows has no death by a signal: the exit status says which it was, as
// POSIX shells show it.
void EndAsInterrupted(int signal) { std::_Exit(128 + signal); }

} // namespace tools
