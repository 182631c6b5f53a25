// ZelvanPack's PE files as their tables say, read without running them, so
// on every machine: each imports its own runtime package only; the vcl40
// builds export the twelve internal methods of TZelvan and the vcl30 build
// none of them; the loader's names and their aliases share one address; no
// unit-level handle leaves the module; and the resources are what they must
// be, in the neutral language. scripts/windows-stage.sh runs this
// with --vcl40=, --vcl30= and --vcl40-64= naming the files.
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string_view>

#include "count_line.h"
#include "expected_resources.h"
#include "pe_file.h"

namespace petables {
namespace {

struct Package {
    std::string runtime; // vcl40, vcl30
    bool wide;
    std::filesystem::path path;
    PeFile file;
};
std::vector<Package> packages;

const std::vector<std::string> internalMethods = {"GetDriveNo", "GetWinPlatform", "GetDiskInfo", "GetDiskHandle",
                                                  "GetDeviceHandle", "FreeHandle", "RS95", "WS95", "RSNT", "WSNT",
                                                  "RF95", "WF95"};

std::string Described(const Package& package) {
    return package.path.filename().string() + " (" + package.runtime + (package.wide ? ", 64-bit)" : ", 32-bit)");
}

// The exported names that `pattern` matches.
std::vector<std::string> Matching(const Package& package, const std::string& pattern) {
    const std::regex match(pattern);
    std::vector<std::string> names;
    for (const auto& [name, address] : package.file.exports)
        if (std::regex_search(name, match)) names.push_back(name);
    return names;
}

TEST(PePackage, EachIsOfItsWidthAndImportsItsOwnRuntimePackageOnly) {
    for (const Package& package : packages) {
        SCOPED_TRACE(Described(package));
        EXPECT_EQ(package.file.wide, package.wide);
        std::set<std::string> runtimes;
        for (const std::string& module : package.file.imports)
            if (module.ends_with(".bpl") || module.ends_with(".dpl")) runtimes.insert(module);
        EXPECT_EQ(runtimes, (std::set<std::string>{package.runtime == "vcl40" ? "Vcl40.bpl" : "VCL30.dpl"}));
    }
}

TEST(PePackage, TheVcl40BuildsExportTheTwelveInternalMethodsAndTheVcl30BuildNone) {
    for (const Package& package : packages) {
        SCOPED_TRACE(Described(package));
        for (const std::string& method : internalMethods) {
            // TZelvan's method, decorated: ...7TZelvan10GetDriveNoE...
            const std::string decorated = "7TZelvan" + std::to_string(method.size()) + method + "E";
            const std::size_t expected = package.runtime == "vcl40" ? 1 : 0;
            EXPECT_EQ(Matching(package, package.runtime == "vcl40" ? decorated : method).size(), expected) << method;
        }
        const std::size_t dotted = package.runtime == "vcl30" ? 1 : 0;
        EXPECT_EQ(Matching(package, "^Orvane\\.TZelvan\\.Create@[0-9A-F]{8}$").size(), dotted);
    }
}

// Initialize and PackageLoad, Finalize and PackageUnload, and the two
// GetPackageInfoTable of the loader and the package unit's own.
TEST(PePackage, TheLoadersNamesAndTheirAliasesShareOneAddress) {
    for (const Package& package : packages) {
        SCOPED_TRACE(Described(package));
        const auto& exports = package.file.exports;
        for (const auto& [loader, unit] : {std::pair{"Initialize", "PackageLoad"}, std::pair{"Finalize", "PackageUnload"},
                                           std::pair{"@GetPackageInfoTable", "ZelvanPack.*GetPackageInfoTable"}}) {
            ASSERT_TRUE(exports.contains(loader)) << loader;
            const std::vector<std::string> aliases = Matching(package, unit);
            ASSERT_EQ(aliases.size(), 1u) << unit;
            EXPECT_EQ(exports.at(aliases[0]), exports.at(loader)) << aliases[0];
        }
        ASSERT_TRUE(exports.contains("GetPackageInfoTable"));
        EXPECT_EQ(exports.at("GetPackageInfoTable"), exports.at("@GetPackageInfoTable"));
    }
}

TEST(PePackage, NoUnitLevelHandleLeavesTheModule) {
    for (const Package& package : packages) {
        SCOPED_TRACE(Described(package));
        EXPECT_EQ(Matching(package, "DiskHandle|DeviceHandle|HandleOpened").size(),
                  package.runtime == "vcl40" ? 2u : 0u)
            << "only the methods GetDiskHandle and GetDeviceHandle";
        EXPECT_EQ(Matching(package, "AttentionText").size(), 1u);
    }
}

testsupport::Bytes Resource(const Package& package, const std::string& type, const std::string& name) {
    const auto& resources = package.file.resources;
    const auto found = std::ranges::find_if(resources, [&](const PeResource& r) { return r.type == type && r.name == name; });
    if (found == resources.end()) {
        ADD_FAILURE() << "no resource " << name << " of type " << type;
        return {};
    }
    EXPECT_EQ(found->language, 0u) << name << " is not in the neutral language";
    return found->bytes;
}

TEST(PePackage, TheResourcesAreWhatTheyMustBeInTheNeutralLanguage) {
    for (const Package& package : packages) {
        SCOPED_TRACE(Described(package));
        EXPECT_EQ(package.file.resources.size(), 4u);
        packagetest::ExpectPalettePicture(Resource(package, "#2", "TZELVAN"));
        EXPECT_EQ(packagetest::DescriptionText(Resource(package, "#10", "DESCRIPTION")), "Kesmet TZelvan Component");
        packagetest::ExpectPackageInfo(Resource(package, "#10", "PACKAGEINFO"), package.runtime);
        packagetest::ExpectPackageOptions(Resource(package, "#10", "PACKAGEOPTIONS"), "Kesmet TZelvan Component");
    }
}

// --vcl40=FILE, --vcl30=FILE and --vcl40-64=FILE.
void Take(std::string_view argument) {
    const std::size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    if (equals == std::string_view::npos || (name != "--vcl40" && name != "--vcl30" && name != "--vcl40-64"))
        throw std::invalid_argument("unknown argument '" + std::string(argument) + "'");
    const std::filesystem::path path(argument.substr(equals + 1));
    packages.push_back({std::string(name.substr(2, 5)), name.ends_with("-64"), path, ReadPeFile(path)});
}

} // namespace
} // namespace petables

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    try {
        for (int i = 1; i < argc; ++i) petables::Take(argv[i]);
        if (petables::packages.empty()) throw std::invalid_argument("no package is named (--vcl40=, --vcl30=, --vcl40-64=)");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zelvan_pe_tables: %s\n", error.what());
        return 2;
    }
    return windows_test::RunAndCount();
}
