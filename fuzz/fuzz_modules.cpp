// libFuzzer target: damaged packages loaded through the hosted LoadLibraryA,
// seeded with both builds of ZelvanPack. The module check runs here, where
// its coverage guides the fuzzer; then a child process loads the file as a
// host would, frees it and exits.
//
// A file the check refuses must be refused by LoadLibraryA with
// ERROR_BAD_EXE_FORMAT, and nothing may fail on the way. A file it takes
// is the system loader's and then the module's: what the module's own code
// does once it runs (a fault, a sanitizer report, a loop) is its affair, as
// on Windows. A fault inside the system loader, one of its fatal
// assertions (exit 127), or anything at all on a refused file is a finding.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/auxv.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include "win32/hosted/module_check.h"
#include "win32/win32.h"

extern "C" void __sanitizer_set_death_callback(void (*callback)());

namespace {

// The child's exits: the module's own code failed, LoadLibraryA took a
// file the check refused, or a fault was taken in the loader or on a
// refused file.
constexpr int moduleFailed = 3, refusalIgnored = 4, faultTold = 5;
// The child's alarm, and how long it may take in all.
constexpr unsigned alarmSeconds = 5;
constexpr std::chrono::seconds childTime{8};

std::string modulePath;
std::uintptr_t loaderStart = 0, loaderEnd = 0; // the system loader's code
bool wellFormed = false;                       // the check's verdict, in the child

// Where the system loader lies: the mapped range of the file that holds
// the program's interpreter, whose base the kernel passes.
void FindLoader() {
    const auto base = static_cast<std::uintptr_t>(::getauxval(AT_BASE));
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    char line[512], path[256] = "";
    while (maps && std::fgets(line, sizeof line, maps)) {
        unsigned long start = 0, end = 0;
        char file[256] = "";
        if (std::sscanf(line, "%lx-%lx %*s %*s %*s %*s %255s", &start, &end, file) < 2) continue;
        if (start == base) std::snprintf(path, sizeof path, "%s", file);
        if (*path && std::string(file) == path) {
            loaderStart = loaderStart ? loaderStart : start;
            loaderEnd = end;
        }
    }
    if (maps) std::fclose(maps);
}

std::uintptr_t FaultAddress(void* context) {
    const auto* registers = &static_cast<ucontext_t*>(context)->uc_mcontext;
#if defined(__x86_64__)
    return static_cast<std::uintptr_t>(registers->gregs[REG_RIP]);
#else
    return static_cast<std::uintptr_t>(registers->gregs[REG_EIP]);
#endif
}

// In the child: a fault (or a loop) of the module's own code ends it
// quietly; one of the loader, or any on a refused file, with faultTold.
// A child a signal ends never reached this handler: the module's own code
// put another in its place or blocked the signal, which the loader does not.
void OnFault(int, siginfo_t*, void* context) {
    const std::uintptr_t at = FaultAddress(context);
    if (wellFormed && (at < loaderStart || at >= loaderEnd)) ::_exit(moduleFailed);
    constexpr char said[] = "fuzz_modules: the load failed in the system loader or on a refused file\n";
    (void)!::write(STDERR_FILENO, said, sizeof said - 1);
    ::_exit(faultTold);
}

void OnSanitizerReport() {
    if (wellFormed) ::_exit(moduleFailed);
}

[[noreturn]] void LoadInChild() {
    // A module's code gone astray may leave the stack pointer anywhere: the
    // handler runs on a stack of its own, or the fault could not be told.
    static char handlerStack[1 << 16];
    const stack_t stack{handlerStack, 0, sizeof handlerStack};
    ::sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_RESETHAND | SA_ONSTACK;
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGABRT, SIGALRM}) ::sigaction(signal, &action, nullptr);
    __sanitizer_set_death_callback(OnSanitizerReport);
    ::alarm(alarmSeconds); // a module's code that never returns
    const HMODULE module = LoadLibraryA(modulePath.c_str());
    if (!wellFormed) ::_exit(!module && GetLastError() == ERROR_BAD_EXE_FORMAT ? 0 : refusalIgnored);
    if (module) FreeLibrary(module);
    ::_exit(0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static char folder[] = "/tmp/fuzz-modules-XXXXXX";
    if (!::mkdtemp(folder)) std::abort();
    modulePath = std::string(folder) + "/ZelvanPack.bpl";
    std::atexit([] {
        ::unlink(modulePath.c_str());
        ::rmdir(folder);
    });
    FindLoader();
    if (!loaderEnd) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    wellFormed = hosted::ModuleFault(hosted::ByteView(data, size)).empty();
    const int file = ::open(modulePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
    if (file < 0 || ::write(file, data, size) != static_cast<ssize_t>(size) || ::close(file) != 0) std::abort();
    const pid_t child = ::fork();
    if (child == 0) LoadInChild();
    int status = 0;
    if (child < 0) std::abort();
    // A child past its alarm had the alarm put off or blocked, which the
    // system loader does not do: the module's own code did.
    const auto deadline = std::chrono::steady_clock::now() + childTime;
    bool outlived = false;
    for (pid_t ended; (ended = ::waitpid(child, &status, WNOHANG)) != child; ::usleep(1000)) {
        if (ended < 0 && errno != EINTR) std::abort();
        if (!outlived && std::chrono::steady_clock::now() >= deadline) {
            outlived = true;
            ::kill(child, SIGKILL);
        }
    }
    if (wellFormed && (outlived || WIFSIGNALED(status))) return 0;
    if (WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == moduleFailed)) return 0;
    std::fprintf(stderr, "fuzz_modules: loading a %s file %s %d\n", wellFormed ? "well-formed" : "refused",
                 WIFSIGNALED(status) ? "ended the child by signal" : "made the child exit",
                 WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
    std::abort();
}
