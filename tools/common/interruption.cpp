#include "common/interruption.h"

#include <csignal>

namespace tools {

namespace {
volatile std::sig_atomic_t noted = 0;
} // namespace

extern "C" void NoteInterruption(int signal) { noted = signal; }

int InterruptionSignal() { return noted; }

Interrupted::Interrupted(int signal, const std::string& detail)
    : std::runtime_error("stopped by " + SignalName(signal) + detail), signal_(signal), detail_(detail) {}

void CheckInterruption() {
    if (const int signal = InterruptionSignal()) throw Interrupted(signal, "");
}

} // namespace tools
