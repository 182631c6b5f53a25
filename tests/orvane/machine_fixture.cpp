#include "machine_fixture.h"

#include <regex>

#include "orvane/unit.h"
#include "vcl/sysutils.h"

namespace orvane_test {

namespace {
std::map<std::string, std::uint32_t> RegistersIn(const std::string& line, const std::string& group) {
    std::map<std::string, std::uint32_t> registers;
    const auto open = line.find(group + "(");
    if (open == std::string::npos) return registers;
    const auto close = line.find(')', open);
    const std::string body = line.substr(open + group.size() + 1, close - open - group.size() - 1);
    static const std::regex assignment(R"((\w+)=0x([0-9A-Fa-f]+))");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), assignment); it != std::sregex_iterator(); ++it)
        registers[(*it)[1]] = static_cast<std::uint32_t>(std::stoul((*it)[2], nullptr, 16));
    return registers;
}
} // namespace

std::vector<Vwin32Request> Vwin32Requests() {
    std::vector<Vwin32Request> requests;
    for (const std::string& line : hosted::Journal()) {
        if (line.rfind("VWIN32 ", 0) != 0) continue;
        const auto end = line.find(' ', 7);
        requests.push_back({line.substr(7, end - 7), RegistersIn(line, "in"), RegistersIn(line, "out"), line});
    }
    return requests;
}

void MachineTest::SetUp() {
    hosted::ResetMachine();
    hosted::KeepJournal(true);
    Orvane::DeviceHandle = INVALID_HANDLE_VALUE;
    Orvane::DiskHandle = INVALID_HANDLE_VALUE;
    Orvane::HandleOpened = false;
    UsePlatform("nt");
}

void MachineTest::TearDown() {
    hosted::ResetMachine();
    vcl::InitPlatformId();
}

std::filesystem::path MachineTest::MapFat(char letter, unsigned kib, const std::string& options,
                                          hosted::DriveKind kind, bool readOnly) {
    const std::string name = std::string(1, letter) + "-" + std::to_string(++imagesMade) + ".img";
    auto image = testsupport::MakeFatImage(dir, name, kib, options);
    hosted::MapDrive(letter, {image.string(), kind, readOnly});
    return image;
}

void MachineTest::UsePlatform(std::string_view platform) {
    hosted::SetPlatform(platform);
    vcl::InitPlatformId();
}

std::vector<std::string> MachineTest::Calls() {
    std::vector<std::string> names;
    for (const std::string& line : hosted::Journal()) names.push_back(line.substr(0, line.find('(')));
    return names;
}

std::size_t MachineTest::CountCalls(std::string_view name) { return Lines(name).size(); }

} // namespace orvane_test
