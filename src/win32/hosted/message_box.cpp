// MessageBoxA: answered from code, then ZELVAN_ANSWER, then a prompt on the
// controlling terminal; a dialog nobody can see does not say Yes.
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "win32/hosted/machine_state.h"
#include "win32/hosted/unique_fd.h"

namespace hosted {
namespace {

constexpr UINT buttonMask = 0x0000000F;

// One line from the terminal, without its newline; nullopt at end of input,
// and when a signal the program catches cuts the wait short: the program is
// being stopped, and the dialog is closed without an answer.
std::optional<std::string> ReadLine(int fd) {
    std::string line;
    char c;
    while (true) {
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) return std::nullopt;
        if (got <= 0) return line.empty() ? std::nullopt : std::optional(line);
        if (c == '\n') return line;
        line += c;
    }
}

// nullopt when there is no controlling terminal.
std::optional<int> AskTerminal(const char* text, const char* caption) {
    UniqueFd tty(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (tty.get() < 0) return std::nullopt;
    std::string shown = std::string("\n[") + (caption ? caption : "Error") + "]\n";
    for (const char* c = text ? text : ""; *c; ++c) shown += *c == '\r' ? '\n' : *c;
    shown += "\n";
    if (!WriteAll(tty.get(), shown)) return std::nullopt;
    while (true) {
        if (!WriteAll(tty.get(), "Yes/No? ")) return IDNO;
        std::optional<std::string> line = ReadLine(tty.get());
        if (!line) return IDNO;
        if (*line == "y" || *line == "Y" || *line == "yes" || *line == "Yes") return IDYES;
        if (*line == "n" || *line == "N" || *line == "no" || *line == "No") return IDNO;
    }
}

} // namespace
} // namespace hosted

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "MessageBoxA", [&] {
        return hosted::ArgList(
            {hosted::PointerArg(hWnd), hosted::TextArg(lpText), hosted::TextArg(lpCaption), hosted::HexArg(uType)});
    });
    // A box that could not be shown is the last message, answered 0, but
    // was never shown.
    auto record = [&](int answer) {
        hosted::ShownMessage message{lpText ? lpText : "", lpCaption ? lpCaption : "", uType, answer};
        if (answer != 0 && machine->journal.Kept()) machine->messages.push_back(message);
        machine->lastMessage = std::move(message);
    };
    auto fail = [&](DWORD error) {
        record(0);
        call.FinishFailed("0", error);
        return 0;
    };
    if (call.Planned()) return fail(call.PlannedError());
    UINT buttons = uType & hosted::buttonMask;
    if (buttons != MB_OK && buttons != MB_YESNO) return fail(ERROR_NOT_SUPPORTED);
    if (buttons == MB_OK) {
        record(IDOK);
        call.Finish("IDOK");
        return IDOK;
    }
    int answer = IDNO;
    const char* source = "no terminal";
    if (machine->answer) {
        answer = *machine->answer;
        source = "answer set by code";
    } else if (machine->environmentAnswer) {
        answer = *machine->environmentAnswer;
        source = "ZELVAN_ANSWER";
    } else if (std::optional<int> typed = hosted::AskTerminal(lpText, lpCaption)) {
        answer = *typed;
        source = "terminal";
    }
    record(answer);
    call.Finish(answer == IDYES ? "IDYES" : "IDNO", source);
    return answer;
}
