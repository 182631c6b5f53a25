#include "zelvan_run.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <regex>
#include <sstream>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tools_test {

namespace fs = std::filesystem;

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

namespace {

std::string TextOf(const fs::path& file) {
    const testsupport::Bytes bytes = testsupport::ReadFile(file);
    return std::string(bytes.begin(), bytes.end());
}

constexpr auto patience = std::chrono::seconds(60);

// zelvan's command line, run as a user without the machine's variables
// would, by `launcher` ("timeout 60").
std::string ZelvanCommand(const std::string& environment, const std::string& launcher, const std::string& arguments) {
    return "env -u ZELVAN_DRIVES -u ZELVAN_PLATFORM -u ZELVAN_ANSWER -u ZELVAN_TRACE -u ZELVAN_FAULTS " + environment +
           " " + launcher + " '" + std::string(ZELVAN_TOOL) + "' " + arguments;
}

// Off the terminal the tests run on, if any, so that no question is put to it.
constexpr std::string_view withoutTerminal = "setsid";

struct ExitOf {
    int signal; // 0 when it exited
    int status;
};

// Waits for the child's end, for a minute at most (then it is killed).
ExitOf Reap(pid_t child) {
    int status = 0;
    if (!Eventually([&] { return ::waitpid(child, &status, WNOHANG) == child; })) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    return {WIFSIGNALED(status) ? WTERMSIG(status) : 0, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

bool BlockedInRead(pid_t process) {
    std::ifstream call("/proc/" + std::to_string(process) + "/syscall");
    std::string number;
    return call >> number && number == std::to_string(SYS_read);
}

// `prefix` is the shell's, before zelvan runs: a change of folder.
ToolResult Run(const std::string& prefix, const std::string& arguments, const std::string& environment) {
    const testsupport::TempDir scratch;
    const fs::path out = scratch / "out", err = scratch / "err";
    const int status = testsupport::Run("( " + prefix + "( " + ZelvanCommand(environment, "timeout 60 " + std::string(withoutTerminal), arguments) +
                                        " ) >" + Quote(out) + " 2>" + Quote(err) + " )")
                           .status;
    return {status, TextOf(out), TextOf(err)};
}

} // namespace

ToolResult RunZelvan(const std::string& arguments, const std::string& environment) {
    return Run("", arguments, environment);
}

ToolResult RunZelvanIn(const fs::path& folder, const std::string& arguments) {
    return Run("cd " + Quote(folder) + " && ", arguments, "");
}

RunningZelvan::RunningZelvan(const std::string& arguments) {
    const std::string command =
        "exec " + ZelvanCommand("", std::string(withoutTerminal), arguments) + " >" + Quote(scratch_ / "out") + " 2>" +
        Quote(scratch_ / "err");
    pid_ = ::fork();
    if (pid_ == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid_ < 0) throw std::runtime_error("fork failed");
}

RunningZelvan::~RunningZelvan() {
    if (waited_) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

void RunningZelvan::Signal(int signal) const { ::kill(pid_, signal); }

bool RunningZelvan::WaitsToRead() const { return BlockedInRead(pid_); }

RunningZelvan::Ended RunningZelvan::Wait() {
    const ExitOf exit = Reap(pid_);
    waited_ = true;
    return {exit.signal, exit.status, TextOf(scratch_ / "out"), TextOf(scratch_ / "err")};
}

ZelvanOnTerminal::ZelvanOnTerminal(const std::string& arguments) {
    const std::string command = "exec " + ZelvanCommand("", "", arguments);
    pid_ = ::forkpty(&terminal_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid_ < 0) throw std::runtime_error("forkpty failed");
}

ZelvanOnTerminal::~ZelvanOnTerminal() {
    if (!waited_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::close(terminal_);
}

bool ZelvanOnTerminal::ReadSome(int milliseconds) {
    pollfd ready{terminal_, POLLIN, 0};
    if (::poll(&ready, 1, milliseconds) <= 0) return true;
    char buffer[4096];
    const ssize_t got = ::read(terminal_, buffer, sizeof buffer);
    // The terminal's other side closed: zelvan has ended.
    if (got <= 0) return false;
    shown_.append(buffer, static_cast<std::size_t>(got));
    return true;
}

std::string ZelvanOnTerminal::ShownOnceItEndsWith(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!shown_.ends_with(text) && std::chrono::steady_clock::now() < deadline && ReadSome(10)) {
    }
    return shown_;
}

bool ZelvanOnTerminal::WaitsToRead() const { return BlockedInRead(pid_); }

void ZelvanOnTerminal::Type(const std::string& keys) const {
    if (::write(terminal_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
        throw std::runtime_error("the terminal took no keys");
}

ZelvanOnTerminal::Ended ZelvanOnTerminal::Wait() {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline && ReadSome(10)) {
    }
    const ExitOf exit = Reap(pid_);
    waited_ = true;
    return {exit.signal, exit.status, shown_};
}

bool Eventually(const std::function<bool()>& ready) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void ExpectFailure(const ToolResult& result, const std::string& reason) { ExpectFailure(result, {reason}); }

void ExpectFailure(const ToolResult& result, std::initializer_list<std::string> facts) {
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.err.rfind("zelvan: ", 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    for (const std::string& fact : facts) EXPECT_NE(result.err.find(fact), std::string::npos) << fact << " in " << result.err;
}

long PeakResidentKiB(const std::string& command) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("'" + command + "' did not run to its end");
    return usage.ru_maxrss;
}

std::string Field(const std::string& text, const std::string& key) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == line.npos || line.compare(start, key.size() + 1, key + ":") != 0) continue;
        const std::size_t value = line.find_first_not_of(' ', start + key.size() + 1);
        return value == line.npos ? "" : line.substr(value);
    }
    return "";
}

FatGeometry ReadGeometry(const fs::path& image) {
    const std::string info = testsupport::RunOk("minfo -i " + Quote(image) + " ::");
    const auto number = [&](const std::string& key) {
        const std::string value = Field(info, key);
        if (value.empty()) throw std::runtime_error("minfo printed no " + key + ":\n" + info);
        return static_cast<std::uint32_t>(std::stoul(value));
    };
    FatGeometry geometry{};
    geometry.bytesPerSector = number("sector size");
    geometry.sectorsPerCluster = number("cluster size");
    const std::uint32_t small = number("small size");
    geometry.totalSectors = small != 0 ? small : number("big size");
    const std::uint32_t rootSectors =
        (number("max available root directory slots") * 32 + geometry.bytesPerSector - 1) / geometry.bytesPerSector;
    geometry.reservedSectors = number("reserved (boot) sectors");
    // FAT32's FAT length is "Big fatlen=630", with "sectors per fat: 0".
    std::smatch bigFat;
    geometry.sectorsPerFat = number("sectors per fat");
    if (geometry.sectorsPerFat == 0 && std::regex_search(info, bigFat, std::regex("Big fatlen=(\\d+)")))
        geometry.sectorsPerFat = static_cast<std::uint32_t>(std::stoul(bigFat[1]));
    geometry.firstDataSector = geometry.reservedSectors + number("fats") * geometry.sectorsPerFat + rootSectors;
    return geometry;
}

Images::Images()
    : disk_(testsupport::MakeFatImage(dir_, "disk.img", 16 * 1024, "-F 16")),
      floppy_(testsupport::MakeFatImage(dir_, "floppy.img", 1440, "-F 12")) {}

std::string Images::Drives() const {
    return "--drive C=" + Quote(disk_) + " --drive A=" + Quote(floppy_.string() + ":removable");
}

} // namespace tools_test
