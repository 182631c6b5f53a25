// The Win32 behaviour the component relies on, checked by one source on two
// machines, as Wine's own conformance tests are: the hosted PC (tests/win32,
// by CTest) and Windows itself under Wine (tests/windows, by
// scripts/windows-stage.sh). Each machine brings its drives: the hosted PC
// makes mkfs.fat images for each case; under Wine they are the stage's.
// Where Wine departs from Windows, a case skips there with the words of
// wine_departures.txt; the hosted PC is still held to Windows.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <utility>

#include "bytes.h"
#include "win32/win32.h"
#include "wine_departures.h"

namespace conformance {

struct TestDrive {
    char letter;
    std::filesystem::path image;
};

// A fixed drive holding a FAT volume of `bits` (12, 16 or 32) of a few MiB.
TestDrive FatDrive(int bits);
// A removable drive holding a 1.44 MB floppy.
TestDrive FloppyDrive();
// A letter that no drive has.
constexpr char kUnmappedLetter = 'Q';

// The Windows the machine reports: its platform id and build number.
struct Reported {
    DWORD platformId;
    DWORD buildNumber;
};
Reported ReportedWindows();

bool RunningOnWine();

// Every case's fixture: on the hosted PC a fresh machine, whose drives the
// case's first use makes; under Wine the stage's machine, whose images a
// case gives back as it found them.
class Win32Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The image's bytes now, written back when this ends: a case that writes
// leaves the drive as it found it.
class KeptImage {
public:
    explicit KeptImage(std::filesystem::path image) : image_(std::move(image)), bytes_(testsupport::ReadFile(image_)) {}
    ~KeptImage() { testsupport::WriteFile(image_, bytes_); }
    KeptImage(const KeptImage&) = delete;
    KeptImage& operator=(const KeptImage&) = delete;
    const testsupport::Bytes& bytes() const { return bytes_; }

private:
    std::filesystem::path image_;
    testsupport::Bytes bytes_;
};

// A volume handle that closes itself.
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

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;

// "\\.\X:", opened as the component opens it unless told otherwise.
HANDLE OpenVolume(char letter, DWORD access = kReadWrite, DWORD share = kShareBoth, DWORD disposition = OPEN_EXISTING);
BOOL Control(HANDLE volume, DWORD code);
// `count` bytes at `offset` of the image file, as dd reads them.
testsupport::Bytes ImageBytes(const std::filesystem::path& image, std::uint64_t offset, std::size_t count);
// `count` bytes at `offset` through a volume handle; fails the case otherwise.
testsupport::Bytes ReadVolume(HANDLE volume, std::uint64_t offset, DWORD count);

} // namespace conformance

// Skips the case under Wine with the departure's words.
#define SKIP_WHERE_WINE_DEPARTS(departure) \
    if (::conformance::RunningOnWine()) GTEST_SKIP() << ::wine_departures::departure
