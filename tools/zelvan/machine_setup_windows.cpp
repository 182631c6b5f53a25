#include "common/outcome.h"
#include "zelvan/machine_setup.h"

namespace zelvan_cli::machine {

namespace {
[[noreturn]] void NotHere(std::string_view what) {
    throw tools::UsageError(std::string(what) +
                            " configures the hosted machine; on Windows the drives, the platform, "
                            "the confirmation and the calls are the real ones");
}
} // namespace

void Configure(const MachineOptions& options) {
    if (!options.drives.empty()) NotHere("--drive");
    if (options.platform) NotHere("--platform");
    if (options.answer) NotHere(*options.answer ? "--yes" : "--no");
    if (options.trace) NotHere("--trace");
}

void RequireHosted(std::string_view what) { NotHere(what); }
void UsePlatform(std::string_view) { NotHere("a platform switch"); }
void MapDrive(char, const std::filesystem::path&, bool) { NotHere("a drive mapping"); }
void SetAnswer(std::optional<bool>) { NotHere("a preset answer"); }

std::optional<Confirmation> LastConfirmation() { return std::nullopt; }
bool PersonWillBeAsked() { return true; }
std::optional<DriveBacking> InspectDrive(char) { return std::nullopt; }
std::optional<DeviceRefusal> TakeDeviceRefusal() { return std::nullopt; }
std::optional<Tally> TallySoFar(std::string_view) { return std::nullopt; }

} // namespace zelvan_cli::machine
