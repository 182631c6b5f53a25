// The machine scripts/windows-stage.sh sets up under Wine, as it names it on
// the test program's command line: the Windows it reports and the disk
// images behind the drive letters.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <gtest/gtest.h>
#include <span>
#include <string>
#include <vector>

#include "bytes.h"
#include "orvane/orvane.h"

namespace windows_test {

constexpr std::uint32_t kSectorBytes = 512; // mkfs.fat's and every floppy format's

struct MappedDrive {
    char letter;
    std::filesystem::path image;
    bool removable;
};

struct SectorRun {
    std::uint32_t first;
    std::uint32_t count;
};

struct StageMachine {
    DWORD platformId = 0;
    DWORD buildNumber = 0;
    std::vector<MappedDrive> drives;
    // A fixed drive too large to read whole, and the run of it beyond 4 GiB
    // that holds data; the rest of it is a hole.
    std::optional<MappedDrive> large;
    SectorRun largeData{};
};

// Takes --platform=ID:BUILD, --fixed=L=IMAGE, --removable=L=IMAGE and
// --large=L=IMAGE (IMAGE as a Windows path) with --large-data=FIRST+COUNT;
// throws std::invalid_argument naming a bad argument.
void Configure(std::span<char* const> arguments);
const StageMachine& Stage();
// The fixed or the removable drives, the large one left out.
std::vector<MappedDrive> Drives(bool removable);

// Wine's ntdll exports its version; Windows' does not.
bool RunningOnWine();

// `count` sectors from `first` of the image file, as dd reads them.
testsupport::Bytes ImageSectors(const MappedDrive& drive, std::uint32_t first, std::uint32_t count);
std::uint32_t ImageSectorCount(const MappedDrive& drive);

std::string Describe(const MappedDrive& drive, SectorRun run);

// Selects the drive and the run; fails when a setter refused a value.
::testing::AssertionResult Select(Orvane::TZelvan& zelvan, char letter, SectorRun run);

// Both unit-level handles closed, as every transfer leaves them. (Wine 8's
// GetProcessHandleCount counts nothing, so the hosted suites count handles.)
::testing::AssertionResult UnitHandlesClosed();

// Transfer buffers at an address Wine's VWIN32 takes for the flat address it
// is: static storage of the executable, at most 64 KiB.
std::span<unsigned char> LowBuffer(std::size_t size);

// Whether Wine's VWIN32 missed the buffer of the last DISKIO packet the
// component sent: its address's high word looks like an LDT selector.
bool Int25MissedTheLastBuffer();

// The index of the last element: how the component takes an open array.
inline int High(std::span<const unsigned char> buffer) { return static_cast<int>(buffer.size()) - 1; }

// A pattern to write over a run, in a low buffer, and the whole image as
// the write must leave it.
struct PlannedWrite {
    testsupport::Bytes data;
    std::span<unsigned char> buffer;
    testsupport::Bytes image;
};
PlannedWrite PlanWrite(const MappedDrive& drive, SectorRun run, std::uint8_t seed);

} // namespace windows_test
