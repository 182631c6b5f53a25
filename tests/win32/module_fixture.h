// What the module and resource tests share: the module built to be loaded,
// and whether the dynamic loader has it mapped.
#pragma once

#include <filesystem>
#include <string>

#include "hosted_fixture.h"

namespace hostedtest {

inline const std::filesystem::path& FixturePath() {
    static const std::filesystem::path path = std::filesystem::canonical(MODULE_FIXTURE);
    return path;
}

// Whether the module at `path` is loaded as a module, not mapped as data.
bool Loaded(const std::filesystem::path& path);

// What the fixture's initialisation and finalisation each add to the journal.
std::vector<std::string> FixtureLifetimeLines();

} // namespace hostedtest
