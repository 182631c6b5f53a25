// What the hosted backend's tests share: a machine reset around each test,
// images made by mkfs.fat, and volume handles that close themselves.
#pragma once

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "conformance.h"
#include "support.h"
#include "win32/hosted/hosted_pc.h"
#include "win32/win32.h"

namespace hostedtest {

// The volume helpers that the cases of both machines use (tests/conformance).
constexpr DWORD readWrite = conformance::kReadWrite;
constexpr DWORD shareBoth = conformance::kShareBoth;
using conformance::OpenVolume;
using conformance::OwnedHandle;
using conformance::ReadVolume;

class HostedTest : public ::testing::Test {
protected:
    void SetUp() override {
        hosted::ResetMachine();
        hosted::KeepJournal(true);
    }
    void TearDown() override { hosted::ResetMachine(); }

    // A new mkfs.fat image mapped to `letter`.
    std::filesystem::path MapImage(char letter, unsigned kib, const std::string& options,
                                   hosted::DriveKind kind = hosted::DriveKind::Fixed, bool readOnly = false);

    testsupport::TempDir dir;
};

// The reads this process has made through read(2) and pread(2) so far: the
// calls and the bytes they returned (/proc/self/io).
struct Reads {
    std::uint64_t calls;
    std::uint64_t bytes;
    Reads operator-(const Reads& before) const { return {calls - before.calls, bytes - before.bytes}; }
};
Reads ReadsSoFar();

// Another process: a forked child with a volume handle of its own.
class ChildProcess {
public:
    // The child runs `body`, reports one byte, and waits until the parent
    // calls Finish; its exit status is what `body` returned.
    template <typename Body>
    explicit ChildProcess(Body body) {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            int status = body();
            char byte = 1;
            (void)!::write(ready[1], &byte, 1);
            (void)!::read(release[0], &byte, 1);
            ::_exit(status);
        }
        ::close(ready[1]);
        ::close(release[0]);
        char byte = 0;
        (void)!::read(ready[0], &byte, 1);
        ::close(ready[0]);
        release_ = release[1];
    }
    ~ChildProcess() {
        if (release_ >= 0) Finish();
    }
    int Finish() {
        ::close(release_);
        release_ = -1;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_;
    int release_ = -1;
};

} // namespace hostedtest
