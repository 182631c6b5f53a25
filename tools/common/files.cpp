#include "common/files.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

#include "common/interruption.h"
#include "common/outcome.h"
#include "common/platform.h"

namespace tools {

namespace fs = std::filesystem;

namespace {

// The name by which the user asks for standard output, as dd's of= and
// most tools take it.
constexpr std::string_view standardOutputName = "-";

// As the system resolves a path: at most this many links in a row.
constexpr int maxLinks = 40;

// The file a chain of symbolic links ends at, which may not exist yet.
fs::path FinalTarget(const fs::path& path) {
    fs::path target = path;
    for (int links = 0;; ++links) {
        std::error_code error;
        if (!fs::is_symlink(target, error)) return target;
        if (links == maxLinks) throw Failure("cannot write output " + path.string() + ": too many levels of symbolic links");
        const fs::path next = fs::read_symlink(target, error);
        if (error) throw Failure("cannot write output " + path.string() + ": " + error.message());
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
}

// A file beside `target` that this call creates, and so no other file:
// "NAME.partial-3f9a2c1e".
std::pair<fs::path, UniqueFile> CreateTemporaryBeside(const fs::path& target) {
    std::random_device random;
    for (int tries = 0; tries < 100; ++tries) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".partial-%08x", static_cast<unsigned>(random()));
        fs::path name = target;
        name += suffix;
        UniqueFile file = CreateNewFile(name);
        if (!file && errno == EEXIST) continue;
        return {name, std::move(file)};
    }
    errno = EEXIST;
    return {target, nullptr};
}

} // namespace

std::string SystemReason() { return std::strerror(errno); }

OutputFile::OutputFile(const fs::path& path) : path_(path) {
    if (path.empty()) throw Failure("the output file's name is empty");
    if (path == standardOutputName) {
        path_ = "(standard output)";
        file_ = OpenStandardOutput();
        if (!file_) Fail(SystemReason());
        return;
    }
    // Links followed: /dev/stdout names a pipe, a terminal or a file.
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) Fail("it is a folder");
    if (const std::optional<char> letter = fs::exists(status) ? DriveBackedBy(path) : std::nullopt)
        Fail(std::string("it is the backing of drive ") + *letter + ":, which it would overwrite");
    if (const std::optional<std::string> module = fs::exists(status) ? LoadedModuleAt(path) : std::nullopt)
        Fail("it is the module " + *module + ", which this program has loaded and would overwrite");
    const bool standardOutput = fs::exists(status) && IsStandardOutput(path);
    if (standardOutput || (fs::exists(status) && !fs::is_regular_file(status))) {
        file_ = standardOutput ? OpenStandardOutput() : UniqueFile(std::fopen(path.string().c_str(), "wb"));
        if (!file_) Fail(SystemReason());
        return;
    }
    target_ = FinalTarget(path);
    auto [temporary, file] = CreateTemporaryBeside(target_);
    if (!file) Fail("cannot create " + temporary.string() + ": " + SystemReason());
    temporary_ = std::move(temporary);
    file_ = std::move(file);
    replaces_ = fs::exists(status);
    // A file that is replaced keeps its permissions.
    if (replaces_) fs::permissions(temporary_, status.permissions(), error);
}

OutputFile::~OutputFile() {
    file_.reset();
    std::error_code ignored;
    if (!temporary_.empty()) fs::remove(temporary_, ignored);
}

std::string OutputFile::Unfinished() const {
    if (temporary_.empty()) return std::to_string(written_) + " bytes had gone to " + path_.string();
    return path_.string() + (replaces_ ? " was left as it was" : " was not made");
}

void OutputFile::Fail(const std::string& reason) const {
    throw Failure("cannot write output " + path_.string() + ": " + reason);
}

// A write that a signal cut short is the user's stopping the tool.
void OutputFile::FailWriting() const {
    const std::string reason = SystemReason();
    CheckInterruption();
    Fail(reason);
}

void OutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) FailWriting();
    written_ += bytes.size();
}

void OutputFile::Commit(OnStop onStop) {
    if (std::fclose(file_.release()) != 0) FailWriting();
    if (temporary_.empty()) return;
    // A run the user stopped, however far it got, does not take FILE's name.
    if (onStop == OnStop::KeepOld) CheckInterruption();
    std::error_code error;
    fs::rename(temporary_, target_, error);
    if (error) Fail(error.message());
    temporary_.clear();
}

} // namespace tools
