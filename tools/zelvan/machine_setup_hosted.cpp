#include "common/outcome.h"
#include "vcl/sysutils.h"
#include "win32/hosted/hosted_pc.h"
#include "zelvan/machine_setup.h"

namespace zelvan_cli::machine {

namespace {
// hosted::ConfigError names the bad text; say which option it came from.
template <typename Apply>
void Applying(std::string_view option, Apply apply) {
    try {
        apply();
    } catch (const hosted::ConfigError& error) {
        throw tools::UsageError(std::string(option) + ": " + error.what());
    }
}
} // namespace

void Configure(const MachineOptions& options) {
    if (!options.drives.empty()) {
        std::string text;
        for (const std::string& drive : options.drives) text += (text.empty() ? "" : ";") + drive;
        Applying("--drive", [&] { hosted::MapDrives(text); });
    }
    if (options.platform) Applying("--platform", [&] { hosted::SetPlatform(*options.platform); });
    if (options.answer) SetAnswer(options.answer);
    if (options.trace) Applying("--trace", [&] { hosted::TraceTo(*options.trace); });
    // The runtime asked for the platform when it started; again only when it changed.
    if (options.platform) vcl::InitPlatformId();
}

void RequireHosted(std::string_view) {}

void UsePlatform(std::string_view platform) {
    hosted::SetPlatform(platform);
    vcl::InitPlatformId();
}

void MapDrive(char letter, const std::filesystem::path& image, bool removable) {
    hosted::MapDrive(letter, {image.string(), removable ? hosted::DriveKind::Removable : hosted::DriveKind::Fixed, false});
}

void SetAnswer(std::optional<bool> yes) {
    hosted::SetAnswer(yes ? std::optional<int>(*yes ? IDYES : IDNO) : std::nullopt);
}

std::optional<Confirmation> LastConfirmation() {
    const std::optional<hosted::ShownMessage> last = hosted::LastMessage();
    if (!last) return std::nullopt;
    return Confirmation{last->text, last->caption, last->answer != 0, last->answer != IDYES,
                        last->answeredBy == hosted::Answerer::Nobody};
}

bool PersonWillBeAsked() { return hosted::NextAnswerer() == hosted::Answerer::Terminal; }

std::optional<DriveBacking> InspectDrive(char letter) {
    const std::optional<hosted::DriveInspection> inspection = hosted::InspectDrive(letter);
    if (!inspection) return DriveBacking{};
    return DriveBacking{true,
                        inspection->path,
                        inspection->problem,
                        inspection->bytes,
                        inspection->sectorBytes,
                        inspection->window.offset,
                        inspection->start};
}

std::optional<DeviceRefusal> TakeDeviceRefusal() {
    std::optional<hosted::DeviceRefusal> refusal = hosted::TakeDeviceRefusal();
    if (!refusal) return std::nullopt;
    return DeviceRefusal{std::move(refusal->service), refusal->eax};
}

std::optional<Tally> TallySoFar(std::string_view call) { return Tally{hosted::CallsMade(call), hosted::MediumWrites()}; }

} // namespace zelvan_cli::machine
