// What the hosted backend's tests share: a machine reset around each test,
// images made by mkfs.fat, and volume handles that close themselves.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "support.h"
#include "win32/hosted/hosted_pc.h"
#include "win32/win32.h"

namespace hostedtest {

constexpr DWORD readWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD shareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~OwnedHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// "\\.\X:"
std::string VolumePath(char letter);
HANDLE OpenVolume(char letter, DWORD access = readWrite, DWORD share = shareBoth);

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

// Reads `count` bytes at `offset` through a volume handle; fails the test otherwise.
testsupport::Bytes ReadVolume(HANDLE volume, std::uint64_t offset, DWORD count);

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
