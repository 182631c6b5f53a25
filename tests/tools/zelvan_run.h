// Running the built zelvan on images made by mkfs.fat, and reading the
// figures of those images back from mtools.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>

#include "support.h"

namespace tools_test {

struct ToolResult {
    int status;
    std::string out;
    std::string err;
};

// Runs zelvan with `arguments` (shell words, quoted by the caller, which may
// end in redirections), with no ZELVAN_ variable from the caller's
// environment but those in `environment` ("ZELVAN_FAULTS='ReadFile#1'"),
// and with no terminal to ask a question on; standard output and standard
// error are kept apart. A run that hangs is ended after a minute (status
// 124).
ToolResult RunZelvan(const std::string& arguments, const std::string& environment = "");
// The same, run in `folder`.
ToolResult RunZelvanIn(const std::filesystem::path& folder, const std::string& arguments);

// zelvan started and left to run, for a test to signal. `arguments` as for
// RunZelvan, without a terminal too; sh execs zelvan, so that the process is zelvan's, with the
// signal dispositions of the test.
class RunningZelvan {
public:
    explicit RunningZelvan(const std::string& arguments);
    ~RunningZelvan();
    RunningZelvan(const RunningZelvan&) = delete;
    RunningZelvan& operator=(const RunningZelvan&) = delete;

    void Signal(int signal) const;
    // Blocked in a read(2), as on a FIFO that holds nothing yet.
    bool WaitsToRead() const;
    // How it ended, after a minute at most (then it is killed): by a signal,
    // or with an exit status; and what it printed.
    struct Ended {
        int signal; // 0 when it exited
        int status;
        std::string out;
        std::string err;
    };
    Ended Wait();

private:
    testsupport::TempDir scratch_;
    int pid_;
    bool waited_ = false;
};

// zelvan run as a person at a terminal runs it: on a pseudo-terminal that
// is its controlling terminal and its standard input, output and error.
class ZelvanOnTerminal {
public:
    explicit ZelvanOnTerminal(const std::string& arguments);
    ~ZelvanOnTerminal();
    ZelvanOnTerminal(const ZelvanOnTerminal&) = delete;
    ZelvanOnTerminal& operator=(const ZelvanOnTerminal&) = delete;

    // What the terminal shows from the start, once it ends with `text` (or
    // zelvan ended, or a minute passed).
    std::string ShownOnceItEndsWith(const std::string& text);
    // Blocked in a read(2), as at a question.
    bool WaitsToRead() const;
    // Keys typed at the terminal: "\n" is Enter, "\x03" Ctrl+C.
    void Type(const std::string& keys) const;
    // How it ended (as RunningZelvan::Ended) and all the terminal showed.
    struct Ended {
        int signal;
        int status;
        std::string shown;
    };
    Ended Wait();

private:
    bool ReadSome(int milliseconds);

    int pid_;
    int terminal_;
    std::string shown_;
    bool waited_ = false;
};

// Polls `ready` until it holds, for a minute at most; false if it never did.
bool Eventually(const std::function<bool()>& ready);

// Exit 1 with one line on standard error, "zelvan: ...", that holds `reason`.
void ExpectFailure(const ToolResult& result, const std::string& reason);
// The same line, holding each of `facts` (the sectors, the error's name,
// what was written), whatever words are around them: one test of each
// message form holds the words themselves.
void ExpectFailure(const ToolResult& result, std::initializer_list<std::string> facts);

// The most memory the command line `command` (run by sh) held at once, in KiB.
long PeakResidentKiB(const std::string& command);

std::string Quote(const std::filesystem::path& path);

// The value after "key:" on a line of `text`, blanks trimmed; empty when absent.
std::string Field(const std::string& text, const std::string& key);

// What minfo reads from a FAT boot sector, and the component's figures that follow from it.
struct FatGeometry {
    std::uint32_t bytesPerSector;
    std::uint32_t sectorsPerCluster;
    std::uint32_t totalSectors;
    std::uint32_t reservedSectors;
    std::uint32_t sectorsPerFat;
    std::uint32_t firstDataSector;
    std::uint32_t Clusters() const { return (totalSectors - firstDataSector) / sectorsPerCluster; }
    std::uint32_t SizeBound() const { return Clusters() * sectorsPerCluster; }
};
FatGeometry ReadGeometry(const std::filesystem::path& image);

// A 16 MiB FAT16 disk image for C: and a 1.44 MB floppy image for A:, fresh for each test.
class Images {
public:
    Images();
    const std::filesystem::path& disk() const { return disk_; }
    const std::filesystem::path& floppy() const { return floppy_; }
    const testsupport::TempDir& dir() const { return dir_; }
    // "--drive C=... --drive A=...:removable"
    std::string Drives() const;

private:
    testsupport::TempDir dir_;
    std::filesystem::path disk_;
    std::filesystem::path floppy_;
};

} // namespace tools_test
