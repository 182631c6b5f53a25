// What the hosted backend's tests share: a machine reset around each test,
// images made by mkfs.fat, and volume handles that close themselves.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support.h"
#include "win32/hosted/machine.h"
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
    void SetUp() override { hosted::ResetMachine(); }
    void TearDown() override { hosted::ResetMachine(); }

    // A new mkfs.fat image mapped to `letter`.
    std::filesystem::path MapImage(char letter, unsigned kib, const std::string& options,
                                   hosted::DriveKind kind = hosted::DriveKind::Fixed, bool readOnly = false);

    testsupport::TempDir dir;
};

// Reads `count` bytes at `offset` through a volume handle; fails the test otherwise.
testsupport::Bytes ReadVolume(HANDLE volume, std::uint64_t offset, DWORD count);

} // namespace hostedtest
