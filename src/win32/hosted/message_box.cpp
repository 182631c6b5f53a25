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

// Who answers, with the terminal opened when a person at it is to: what the
// program set, else ZELVAN_ANSWER, else the controlling terminal, else nobody.
Answerer AnswererOf(const Machine& machine, UniqueFd& tty) {
    if (machine.answer) return Answerer::Code;
    if (machine.environmentAnswer) return Answerer::Environment;
    tty = UniqueFd(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    return tty.get() >= 0 ? Answerer::Terminal : Answerer::Nobody;
}

// The dialog as text on the terminal; nullopt when it cannot be shown there.
// Enter takes No: on a terminal a line may have been typed before the
// question came, and only a deliberate Yes writes.
std::optional<int> AskTerminal(int tty, const char* text, const char* caption) {
    std::string shown = std::string("\n[") + (caption ? caption : "Error") + "]\n";
    for (const char* c = text ? text : ""; *c; ++c) shown += *c == '\r' ? '\n' : *c;
    shown += "\n";
    if (!WriteAll(tty, shown)) return std::nullopt;
    while (true) {
        if (!WriteAll(tty, "Yes/No [No]? ")) return IDNO;
        std::optional<std::string> line = ReadLine(tty);
        // Closed without Enter (end of input, a signal): the terminal goes
        // on from a line of its own.
        if (!line) WriteAll(tty, "\n");
        if (!line || line->empty()) return IDNO;
        if (*line == "y" || *line == "Y" || *line == "yes" || *line == "Yes") return IDYES;
        if (*line == "n" || *line == "N" || *line == "no" || *line == "No") return IDNO;
    }
}

const char* Source(Answerer answerer) {
    switch (answerer) {
    case Answerer::Code: return "answer set by code";
    case Answerer::Environment: return "ZELVAN_ANSWER";
    case Answerer::Terminal: return "terminal";
    case Answerer::Nobody: break;
    }
    return "no terminal";
}

} // namespace

Answerer NextAnswerer() {
    MachineLock machine;
    UniqueFd tty;
    return AnswererOf(*machine, tty);
}

} // namespace hosted

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    hosted::MachineLock machine;
    hosted::Call call(*machine, "MessageBoxA", [&] {
        return hosted::ArgList(
            {hosted::PointerArg(hWnd), hosted::TextArg(lpText), hosted::TextArg(lpCaption), hosted::HexArg(uType)});
    });
    // A box that could not be shown is the last message, answered 0, but
    // was never shown.
    auto record = [&](int answer, hosted::Answerer answerer) {
        hosted::ShownMessage message{lpText ? lpText : "", lpCaption ? lpCaption : "", uType, answer, answerer};
        if (answer != 0 && machine->journal.Kept()) machine->messages.push_back(message);
        machine->lastMessage = std::move(message);
    };
    auto fail = [&](DWORD error) {
        record(0, hosted::Answerer::Nobody);
        call.FinishFailed("0", error);
        return 0;
    };
    if (call.Planned()) return fail(call.PlannedError());
    UINT buttons = uType & hosted::buttonMask;
    if (buttons != MB_OK && buttons != MB_YESNO) return fail(ERROR_NOT_SUPPORTED);
    if (buttons == MB_OK) {
        record(IDOK, hosted::Answerer::Nobody);
        call.Finish("IDOK");
        return IDOK;
    }
    hosted::UniqueFd tty;
    hosted::Answerer answerer = hosted::AnswererOf(*machine, tty);
    std::optional<int> answer = answerer == hosted::Answerer::Code          ? machine->answer
                                : answerer == hosted::Answerer::Environment ? machine->environmentAnswer
                                : answerer == hosted::Answerer::Terminal    ? hosted::AskTerminal(tty.get(), lpText, lpCaption)
                                                                    : std::nullopt;
    if (!answer) answerer = hosted::Answerer::Nobody;
    record(answer.value_or(IDNO), answerer);
    call.Finish(answer == IDYES ? "IDYES" : "IDNO", hosted::Source(answerer));
    return answer.value_or(IDNO);
}
