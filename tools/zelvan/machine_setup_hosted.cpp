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
    for (const std::string& drive : options.drives) Applying("--drive", [&] { hosted::MapDrives(drive); });
    if (options.platform) Applying("--platform", [&] { hosted::SetPlatform(*options.platform); });
    if (options.answer) SetAnswer(options.answer);
    if (options.trace) Applying("--trace", [&] { hosted::TraceTo(*options.trace); });
    vcl::InitPlatformId();
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
    return Confirmation{last->text, last->caption, last->answer != IDYES};
}

} // namespace zelvan_cli::machine
