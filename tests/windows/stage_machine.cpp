#include "stage_machine.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include "orvane/unit.h"

namespace windows_test {

namespace {

StageMachine machine;

DWORD Number(std::string_view text, std::string_view argument) {
    DWORD value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw std::invalid_argument(std::string(argument) + ": '" + std::string(text) + "' is not a number");
    return value;
}

MappedDrive Drive(std::string_view value, std::string_view argument, bool removable) {
    const char letter = value.empty() ? 0 : value[0];
    if (letter < 'A' || letter > 'Z' || value.size() < 3 || value[1] != '=')
        throw std::invalid_argument(std::string(argument) + ": wants L=IMAGE with an upper-case letter");
    return {letter, std::filesystem::path(value.substr(2)), removable};
}

} // namespace

void Configure(std::span<char* const> arguments) {
    for (const std::string_view argument : arguments) {
        const std::size_t equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const std::string_view value = equals == std::string_view::npos ? "" : argument.substr(equals + 1);
        if (name == "--platform") {
            const std::size_t colon = value.find(':');
            if (colon == std::string_view::npos) throw std::invalid_argument("--platform: wants ID:BUILD");
            machine.platformId = Number(value.substr(0, colon), argument);
            machine.buildNumber = Number(value.substr(colon + 1), argument);
        } else if (name == "--fixed" || name == "--removable") {
            machine.drives.push_back(Drive(value, argument, name == "--removable"));
        } else if (name == "--large") {
            machine.large = Drive(value, argument, false);
        } else if (name == "--large-data") {
            const std::size_t plus = value.find('+');
            if (plus == std::string_view::npos) throw std::invalid_argument("--large-data: wants FIRST+COUNT");
            machine.largeData = {Number(value.substr(0, plus), argument), Number(value.substr(plus + 1), argument)};
        } else {
            throw std::invalid_argument("unknown argument '" + std::string(argument) + "'");
        }
    }
    if (machine.platformId == 0) throw std::invalid_argument("--platform is missing");
    if (machine.drives.empty()) throw std::invalid_argument("no drive is given (--fixed, --removable)");
    if (machine.large && machine.largeData.count == 0)
        throw std::invalid_argument("--large: its data beyond 4 GiB is not given (--large-data)");
}

const StageMachine& Stage() { return machine; }

std::vector<MappedDrive> Drives(bool removable) {
    std::vector<MappedDrive> drives;
    std::copy_if(machine.drives.begin(), machine.drives.end(), std::back_inserter(drives),
                 [&](const MappedDrive& drive) { return drive.removable == removable; });
    return drives;
}

bool RunningOnWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

testsupport::Bytes ImageSectors(const MappedDrive& drive, std::uint32_t first, std::uint32_t count) {
    std::ifstream in(drive.image, std::ios::binary);
    testsupport::Bytes bytes(std::size_t{count} * kSectorBytes);
    in.seekg(static_cast<std::streamoff>(std::uint64_t{first} * kSectorBytes));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error("cannot read " + Describe(drive, {first, count}) + " from its image");
    return bytes;
}

std::uint32_t ImageSectorCount(const MappedDrive& drive) {
    return static_cast<std::uint32_t>(std::filesystem::file_size(drive.image) / kSectorBytes);
}

std::string Describe(const MappedDrive& drive, SectorRun run) {
    return std::string{drive.letter} + ": (" + drive.image.filename().string() + ") sectors " +
           std::to_string(run.first) + " to " + std::to_string(std::uint64_t{run.first} + run.count - 1);
}

::testing::AssertionResult Select(Orvane::TZelvan& zelvan, char letter, SectorRun run) {
    zelvan.SetDisk(letter);
    if (zelvan.DriveName() != letter) return ::testing::AssertionFailure() << "drive " << letter << ": was refused";
    // Sectors 0 first, so that neither setter meets the value it already holds.
    zelvan.SetSectors(0);
    zelvan.SetFirstSector(run.first);
    zelvan.SetSectors(run.count);
    if (static_cast<std::uint32_t>(zelvan.FirstSector()) != run.first ||
        static_cast<std::uint32_t>(zelvan.Sectors()) != run.count)
        return ::testing::AssertionFailure() << "the run " << run.first << "+" << run.count << " was refused on "
                                             << letter << ":";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult UnitHandlesClosed() {
    if (Orvane::DiskHandle != INVALID_HANDLE_VALUE) return ::testing::AssertionFailure() << "DiskHandle is still open";
    if (Orvane::DeviceHandle != INVALID_HANDLE_VALUE)
        return ::testing::AssertionFailure() << "DeviceHandle is still open";
    return ::testing::AssertionSuccess();
}

namespace {
// Wine 8 takes the high word of a DISKIO buffer's address for a selector,
// and one with its table bit set (an LDT selector) for no flat address.
bool WineMissesBufferAt(std::uintptr_t address) { return (address >> 16 & 4) != 0; }
} // namespace

std::span<unsigned char> LowBuffer(std::size_t size) {
    constexpr std::uintptr_t window = 1 << 16, run = 1 << 18;
    // Addresses alternate in runs of 256 KiB that Wine takes and misses, so
    // 384 KiB always hold a window of 64 KiB inside one that it takes.
    static std::array<unsigned char, 6 * window> storage;
    if (size > window) throw std::length_error("a low buffer holds at most 64 KiB");
    const auto first = reinterpret_cast<std::uintptr_t>(storage.data());
    std::uintptr_t start = first;
    if (WineMissesBufferAt(start) || run - start % run < window) start = (start / run + 1) * run;
    if (WineMissesBufferAt(start)) start += run;
    return {storage.data() + (start - first), size};
}

bool Int25MissedTheLastBuffer() { return WineMissesBufferAt(Orvane::DiskIo.dwBuffer); }

PlannedWrite PlanWrite(const MappedDrive& drive, SectorRun run, std::uint8_t seed) {
    testsupport::Bytes data = testsupport::Pattern(std::size_t{run.count} * kSectorBytes, seed);
    testsupport::Bytes image = testsupport::ReadFile(drive.image);
    const std::uint64_t at = std::uint64_t{run.first} * kSectorBytes;
    if (at + data.size() > image.size()) throw std::out_of_range(Describe(drive, run) + " ends beyond the image");
    std::ranges::copy(data, image.begin() + static_cast<std::ptrdiff_t>(at));
    const std::span<unsigned char> buffer = LowBuffer(data.size());
    std::ranges::copy(data, buffer.begin());
    return {std::move(data), buffer, std::move(image)};
}

} // namespace windows_test
