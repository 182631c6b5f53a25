// A tool that the user stops (Ctrl+C, kill, a closed terminal) stops where
// stopping leaves nothing half-done: between pieces of a transfer, or where
// a read or write that waited was cut short. It removes what it made, says
// what it had done and ends as the signal ends a program, so that the shell
// sees 128 + the signal's number (130 for SIGINT) and a script stops.
// The signals and how a process ends by one differ between POSIX and
// Windows: interruption_posix.cpp and interruption_windows.cpp.
#pragma once

#include <stdexcept>
#include <string>

namespace tools {

// From now on SIGINT, SIGTERM and SIGHUP (Ctrl+C and Ctrl+Break on Windows)
// are noted rather than ending the process; a second one ends it at once. A
// signal that the tool was started with ignored (as nohup and a shell's
// background jobs do) stays ignored.
void CatchInterruptions();
// The signal noted, or 0.
int InterruptionSignal();
// The handler CatchInterruptions installs: notes the signal, and nothing
// more, as a handler may.
extern "C" void NoteInterruption(int signal);
// "SIGINT".
std::string SignalName(int signal);
// Ends the process as `signal` ends a program that does not catch it.
[[noreturn]] void EndAsInterrupted(int signal);

// The tool stopped because a signal was noted: "stopped by SIGINT" and what
// it had done ("; sectors 100 to 199 of C: were written, ...").
class Interrupted : public std::runtime_error {
public:
    Interrupted(int signal, const std::string& detail);
    int Signal() const { return signal_; }
    // The same interruption, told with `more` of what the tool had done.
    Interrupted With(const std::string& more) const { return Interrupted(signal_, detail_ + more); }

private:
    int signal_;
    std::string detail_;
};

// Throws Interrupted when a signal was noted.
void CheckInterruption();

} // namespace tools
