#include "common/interruption.h"

#include <csignal>
#include <cstdlib>

namespace tools {

namespace {

constexpr int caught[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

void CatchInterruptions() {
    for (const int signal : caught) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) != 0 || before.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = NoteInterruption;
        sigemptyset(&action.sa_mask);
        // Without SA_RESTART a read or write that waits (on a FIFO, a pipe,
        // the terminal) returns, so the tool stops there too; the handler is
        // reset by the first signal, so that a second one ends the process.
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
}

std::string SignalName(int signal) {
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "signal " + std::to_string(signal);
    }
}

void EndAsInterrupted(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    std::_Exit(128 + signal);
}

} // namespace tools
