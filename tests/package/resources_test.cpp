// The package's resources, byte by byte, the same in the file and in the
// loaded module.
#include "expected_resources.h"
#include "package_fixture.h"
#include "vcl/packageinfo.h"
#include "vcl/packages.h"

namespace packagetest {
namespace {

using testsupport::Bytes;

using ResourcesTest = PackageTest;

TEST_F(ResourcesTest, EveryResourceHoldsWhatTheScriptDeclares) {
    ExpectPalettePicture(FileResource(PackageFile(), "TZELVAN", RT_BITMAP));
    EXPECT_EQ(FileResource(PackageFile(), "DESCRIPTION", RT_RCDATA), ExpectedDescription("Kesmet TZelvan Component"));
    EXPECT_EQ(FileResource(PackageFile(), "PACKAGEINFO", RT_RCDATA), ExpectedPackageInfo(runtimeName));
    EXPECT_EQ(FileResource(PackageFile(), "PACKAGEOPTIONS", RT_RCDATA), ExpectedPackageOptions());
}

TEST_F(ResourcesTest, TheLoadedPackageHoldsTheBytesOfItsFile) {
    HMODULE package = vcl::LoadPackage(PackageFile().string());
    for (const char* name : {"TZELVAN", "DESCRIPTION", "PACKAGEINFO", "PACKAGEOPTIONS"}) {
        const LPCSTR type = name == std::string("TZELVAN") ? RT_BITMAP : RT_RCDATA;
        const auto loaded = vcl::ResourceBytes(package, name, type);
        ASSERT_TRUE(loaded) << name;
        EXPECT_EQ(Bytes(loaded->begin(), loaded->end()), FileResource(PackageFile(), name, type)) << name;
    }
    EXPECT_EQ(vcl::GetPackageDescription(package), "Kesmet TZelvan Component");
    const vcl::TPackageInfo info = vcl::GetPackageInfo(package);
    EXPECT_EQ(info.Requires.front().Name, runtimeName);
    vcl::UnloadPackage(package);
}

} // namespace
} // namespace packagetest
