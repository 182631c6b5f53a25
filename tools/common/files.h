// Files as both tools write them: nothing half-written is ever left under
// the name the user gave, and nothing the tool did not make is removed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tools {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The system's words for the last failed call (errno).
std::string SystemReason();

// Bytes for FILE. A symbolic link is followed to the file it names, which is
// what gets written; the link stays. A regular file, or one that does not
// exist yet, is written under a temporary name beside it that this run
// creates for itself, and takes its name only on Commit: a failed run leaves
// FILE as it was and removes nothing but its own temporary file. "-" is
// standard output; a device, a FIFO, a pipe or terminal named by a path
// (/dev/stdout) and the file standard output goes to are written in place.
// An empty name, a folder, the backing of a mapped drive and the file of a
// loaded module are refused. Throws Failure naming the file.
class OutputFile {
public:
    explicit OutputFile(const std::filesystem::path& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Both throw Interrupted when the user stopped the tool: a write that a
    // signal cut short, and a Commit after a signal, which leaves FILE as it
    // was, unless the file is a record of what the tool did, written whole,
    // which is worth more kept then than lost.
    enum class OnStop { KeepOld, KeepRecord };
    void Write(std::span<const std::uint8_t> bytes);
    void Commit(OnStop onStop = OnStop::KeepOld);
    // What a run that ends before Commit leaves: "out.bin was left as it
    // was", "out.bin was not made", "1048576 bytes had gone to (standard
    // output)".
    std::string Unfinished() const;

private:
    [[noreturn]] void Fail(const std::string& reason) const;
    [[noreturn]] void FailWriting() const;

    std::filesystem::path path_;      // as messages name it
    std::filesystem::path target_;    // the file that takes the temporary's name
    std::filesystem::path temporary_; // ours, until Commit; empty when written in place
    bool replaces_ = false;           // FILE existed before this run
    std::uint64_t written_ = 0;
    UniqueFile file_;
};

// The letter of the drive of the machine the tools run on whose backing is
// the file `path` names; never one on Windows, whose drives are devices.
std::optional<char> DriveBackedBy(const std::filesystem::path& path);
// The file of a module of this program that `path` names; never one on
// Windows, which refuses to replace a mapped module's file itself.
std::optional<std::string> LoadedModuleAt(const std::filesystem::path& path);
// What makes `path` no module the machine would load, when it says;
// Windows does not.
std::optional<std::string> ModuleFileFault(const std::filesystem::path& path);
// Throws Failure when the machine's calls were traced and the trace lost
// lines; on Windows there is no trace.
void CheckTrace();

} // namespace tools
