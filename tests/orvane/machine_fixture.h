// A hosted machine made fresh for each test, with FAT images made by mkfs.fat.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support.h"
#include "win32/hosted/machine.h"

namespace orvane_test {

// What dosfstools reports for an image: the figures the size bound comes from.
struct FatFigures {
    std::uint32_t bytesPerSector;
    std::uint32_t sectorsPerCluster;
    std::uint32_t dataClusters;
    std::uint32_t SizeBound() const { return dataClusters * sectorsPerCluster; }
};
FatFigures FsckFigures(const std::filesystem::path& image);

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A FAT image of `kib` KiB made by mkfs.fat with `options`, mapped to `letter`.
    std::filesystem::path MapFat(char letter, unsigned kib, const std::string& options,
                                 hosted::DriveKind kind = hosted::DriveKind::Fixed, bool readOnly = false);
    // Sets the identity GetVersionExA reports and lets the runtime learn it.
    void UsePlatform(std::string_view platform);

    // The journal's call names in order, e.g. {"CreateFileA", "SetFilePointer", ...}.
    static std::vector<std::string> Calls();
    static std::size_t CountCalls(std::string_view name);
    // The journal's lines naming `name`, from the first, as text.
    static std::vector<std::string> Lines(std::string_view name) { return hosted::JournalOf(name); }

    testsupport::TempDir dir;
};

} // namespace orvane_test
