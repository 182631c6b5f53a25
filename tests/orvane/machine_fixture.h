// A hosted machine made fresh for each test, with FAT images made by mkfs.fat.
#pragma once

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "support.h"
#include "win32/hosted/hosted_pc.h"

namespace orvane_test {

using testsupport::FsckFigures;

// The size bound of a FAT image by dosfstools' figures: its clustered sectors.
inline std::uint32_t SizeBound(const std::filesystem::path& image) {
    const auto figures = FsckFigures(image);
    return figures.dataClusters * figures.sectorsPerCluster;
}

// One request to the VWIN32 device as the journal shows it: the service and
// the registers as sent and as returned.
struct Vwin32Request {
    std::string service; // INT25, INT26, IOCTL, INT13, ...
    std::map<std::string, std::uint32_t> in, out;
    std::string line;
};
std::vector<Vwin32Request> Vwin32Requests();

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
    int imagesMade = 0;
};

} // namespace orvane_test
