// The component palette that RegisterComponents builds, and what taking a
// module's classes off leaves.
#include "package_fixture.h"
#include "probe.h"
#include "vcl/datamodule.h"
#include "vcl/registry.h"

namespace packagetest {
namespace {

using namespace vcl;

// A class of the program's own besides the probes.
const TClassInfo Gadget{"TGadget", &TComponent::StaticClassInfo(), {}, &CreateComponent<TComponent>};

class PaletteTest : public PackageTest {
protected:
    // The classes here belong to the program.
    void TearDown() override {
        UnregisterModuleClasses(GetModuleHandleA(nullptr));
        PackageTest::TearDown();
    }
};

TEST_F(PaletteTest, PagesKeepTheOrderOfTheirFirstRegistration) {
    const TClassInfo* const probes[] = {&probe::TProbe::StaticClassInfo(), &probe::TWideProbe::StaticClassInfo()};
    const TClassInfo* const gadgets[] = {&Gadget};
    RegisterComponents("Probes", probes, 0);
    RegisterComponents("Gadgets", gadgets, 0);
    RegisterComponents("Probes", probes, 1);
    EXPECT_EQ(PaletteShown(), (std::vector<std::string>{"Probes: TProbe TWideProbe", "Gadgets: TGadget"}));
    EXPECT_EQ(GetClass("TWideProbe"), probes[1]);
}

TEST_F(PaletteTest, AClassWhoseNameIsTakenIsRefusedBeforeAnythingChanges) {
    static const TClassInfo impostor{"TProbe", &TComponent::StaticClassInfo(), {}, &CreateComponent<TComponent>};
    const TClassInfo* const probes[] = {&probe::TProbe::StaticClassInfo()};
    RegisterComponents("Probes", probes, 0);
    const TClassInfo* const both[] = {&probe::TWideProbe::StaticClassInfo(), &impostor};
    EXPECT_THROW(RegisterComponents("Others", both, 1), EFilerError);
    EXPECT_EQ(PaletteShown(), (std::vector<std::string>{"Probes: TProbe"}));
    EXPECT_EQ(GetClass("TWideProbe"), nullptr);
}

TEST_F(PaletteTest, TakingAModulesClassesOffEmptiesTheirPagesAndTheRegistry) {
    const TClassInfo* const probes[] = {&probe::TProbe::StaticClassInfo()};
    RegisterComponents("Probes", probes, 0);
    UnregisterModuleClasses(GetModuleHandleA(nullptr));
    EXPECT_TRUE(PalettePages().empty());
    EXPECT_EQ(GetClass("TProbe"), nullptr);
    // The runtime's own classes are the runtime package's.
    EXPECT_EQ(GetClass("TDataModule"), &TDataModule::StaticClassInfo());
}

} // namespace
} // namespace packagetest
