// The package's resources, each as its rule says, in the file and in the
// loaded module.
#include "expected_resources.h"
#include "package_fixture.h"
#include "vcl/packageinfo.h"
#include "vcl/packages.h"

namespace packagetest {
namespace {

using testsupport::Bytes;

using ResourcesTest = PackageTest;

constexpr const char* description = "Kesmet TZelvan Component";

TEST_F(ResourcesTest, EveryResourceOfTheFileIsWhatItsRuleSays) {
    ExpectPalettePicture(FileResource(PackageFile(), "TZELVAN", RT_BITMAP));
    EXPECT_EQ(DescriptionText(FileResource(PackageFile(), "DESCRIPTION", RT_RCDATA)), description);
    ExpectPackageInfo(FileResource(PackageFile(), "PACKAGEINFO", RT_RCDATA), runtimeName);
    ExpectPackageOptions(FileResource(PackageFile(), "PACKAGEOPTIONS", RT_RCDATA), description);
}

TEST_F(ResourcesTest, TheLoadedPackageHoldsItsResources) {
    HMODULE package = vcl::LoadPackage(PackageFile().string());
    auto loaded = [&](const char* name, LPCSTR type) {
        const auto bytes = vcl::ResourceBytes(package, name, type);
        return bytes ? Bytes(bytes->begin(), bytes->end()) : Bytes();
    };
    // The picture is the bitmap file without its 14-byte file header.
    const Bytes file = testsupport::ReadFile(PALETTE_BITMAP_FILE);
    ASSERT_GT(file.size(), 14u);
    EXPECT_EQ(loaded("TZELVAN", RT_BITMAP), Bytes(file.begin() + 14, file.end()));
    EXPECT_EQ(DescriptionText(loaded("DESCRIPTION", RT_RCDATA)), description);
    ExpectPackageInfo(loaded("PACKAGEINFO", RT_RCDATA), runtimeName);
    ExpectPackageOptions(loaded("PACKAGEOPTIONS", RT_RCDATA), description);
    EXPECT_EQ(vcl::GetPackageDescription(package), description);
    const vcl::TPackageInfo info = vcl::GetPackageInfo(package);
    EXPECT_EQ(info.Requires.front().Name, runtimeName);
    vcl::UnloadPackage(package);
}

} // namespace
} // namespace packagetest
