// The machine the component runs on. On the hosted backend the command line
// configures it (drives, platform, answer, trace); on Windows it is the real
// one and these settings are refused. Everything that names the hosted
// backend lives behind this header.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "zelvan/arguments.h"

namespace zelvan_cli::machine {

// Applies the machine options, then lets the runtime's Win32Platform follow
// the platform. Call it before creating a component: a component reads the
// build number once, when it is created. Throws UsageError for a setting that
// is malformed or, on Windows, not available.
void Configure(const MachineOptions& options);

// For the demo: throws UsageError on Windows, where the machine is not ours to set up.
void RequireHosted(std::string_view what);
// Switches the reported platform ("nt", "95", "98" or "P:B") and Win32Platform.
void UsePlatform(std::string_view platform);
void MapDrive(char letter, const std::filesystem::path& image, bool removable);
// The answer the next confirmations get; std::nullopt falls back to the environment or the terminal.
void SetAnswer(std::optional<bool> yes);

struct Confirmation {
    std::string text;
    std::string caption;
    bool declined;
};
// The last confirmation shown by the component, when the machine can tell.
std::optional<Confirmation> LastConfirmation();

} // namespace zelvan_cli::machine
