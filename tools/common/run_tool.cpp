#include "common/run_tool.h"

#include <cstdio>
#include <exception>
#include <iostream>

#include "common/files.h"
#include "common/interruption.h"
#include "common/outcome.h"
#include "common/platform.h"

namespace tools {

namespace {

// The length of the UTF-8 sequence at `at`, or 0 when none begins there.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
    return length;
}

} // namespace

std::string_view Version() { return ZELVAN_VERSION; }

std::string Printable(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const std::size_t sequence = byte >= 0x80 ? Utf8Length(text, at) : 0;
        if (sequence > 0) {
            out.append(text.substr(at, sequence));
            at += sequence;
            continue;
        }
        if (byte < 0x20 || byte >= 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += static_cast<char>(byte);
        }
        ++at;
    }
    return out;
}

void CheckStandardOutput() {
    std::cout.flush();
    if (std::cout && !std::ferror(stdout)) return;
    const std::string reason = SystemReason();
    CheckInterruption();
    throw Failure("cannot write standard output: " + reason);
}

int RunTool(std::string_view tool, const std::function<void()>& work) {
    HoldClosedStandardStreams();
    CatchInterruptions();
    const auto say = [&](std::string_view what) { std::cerr << tool << ": " << Printable(what) << '\n'; };
    try {
        work();
        CheckStandardOutput();
        CheckTrace();
    } catch (const Interrupted& stop) {
        say(stop.what());
        EndAsInterrupted(stop.Signal());
    } catch (const UsageError& error) {
        std::cerr << tool << ": " << Printable(error.what()) << " (see " << tool << " --help)\n";
        return ExitUsage;
    } catch (const std::exception& error) {
        say(error.what());
        // A failure that came of the user's stopping the tool ends as stopped.
        if (const int signal = InterruptionSignal()) EndAsInterrupted(signal);
        return ExitFailure;
    }
    if (const int signal = InterruptionSignal()) {
        say(SignalName(signal) + " arrived after the work was done");
        EndAsInterrupted(signal);
    }
    return ExitSuccess;
}

} // namespace tools
