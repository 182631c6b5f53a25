// The package's life: Orvane's finalization releases AttentionText, and
// loading and unloading again and again leaves nothing behind.
#include <fstream>

#include "package_fixture.h"
#include "vcl/packages.h"
#include "win32/hosted/hosted_pc.h"

namespace packagetest {
namespace {

using LifecycleTest = PackageTest;

// Under LeakSanitizer this is also the check that the text is not left behind.
TEST_F(LifecycleTest, FinalizeReleasesTheTextAHostAssignedToAttentionText) {
    HMODULE package = vcl::LoadPackage(PackageFile().string());
    auto* text = Export<vcl::AnsiString>(package, zelvanpack_names::Orvane_AttentionText);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->View(), "Dangerous!\rDo you want to write to the drive ");
    const vcl::AnsiString assigned("Careful: ");
    *text = assigned;
    EXPECT_EQ(assigned.RefCount(), 2);
    Call(package, zelvanpack_names::Finalize);
    EXPECT_EQ(assigned.RefCount(), 1);
    EXPECT_TRUE(text->IsEmpty());
    Call(package, zelvanpack_names::Initialize);
    vcl::UnloadPackage(package);
}

// Mappings of the package's file in this process.
std::size_t Mappings() {
    std::ifstream maps("/proc/self/maps");
    std::size_t count = 0;
    for (std::string line; std::getline(maps, line);)
        if (line.find(PackageFile().string()) != std::string::npos) ++count;
    return count;
}

TEST_F(LifecycleTest, AHundredLoadsAndUnloadsLeaveTheProcessAsItWas) {
    const std::vector<vcl::TLibModule> modules = vcl::RegisteredModules();
    const std::size_t threads = ThreadCount();
    for (int cycle = 0; cycle < 100; ++cycle) {
        HMODULE package = vcl::LoadPackage(PackageFile().string());
        Call(package, zelvanpack_names::Orvane_Register);
        *Export<vcl::AnsiString>(package, zelvanpack_names::Orvane_AttentionText) = vcl::AnsiString("cycle");
        ASSERT_EQ(PaletteShown(), std::vector<std::string>{"Kesmet: TZelvan"});
        vcl::UnloadPackage(package);
        ASSERT_EQ(Mappings(), 0u) << "cycle " << cycle;
        ASSERT_TRUE(PaletteShown().empty());
        ASSERT_EQ(vcl::RegisteredModules().size(), modules.size());
        hosted::ClearJournal();
    }
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

} // namespace
} // namespace packagetest
