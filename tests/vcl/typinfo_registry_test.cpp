#include <gtest/gtest.h>

#include "probe.h"
#include "vcl/datamodule.h"
#include "vcl/registry.h"

using namespace vcl;
using probe::TProbe;
using probe::TWideProbe;

namespace {

std::vector<std::string_view> Names(const TClassInfo& type) {
    std::vector<std::string_view> names;
    for (const TPropInfo* prop : GetPropList(type)) names.push_back(prop->Name);
    return names;
}

TEST(TypeInfo, PropertiesComeInDeclarationOrderInheritedFirst) {
    EXPECT_EQ(Names(TProbe::StaticClassInfo()),
              (std::vector<std::string_view>{"Letter", "Count", "Flag", "Kind", "Tries"}));
    EXPECT_EQ(Names(TWideProbe::StaticClassInfo()),
              (std::vector<std::string_view>{"Letter", "Count", "Flag", "Kind", "Tries", "Extra"}));
    EXPECT_TRUE(InheritsFrom(TWideProbe::StaticClassInfo(), TComponent::StaticClassInfo()));
    EXPECT_FALSE(InheritsFrom(TComponent::StaticClassInfo(), TProbe::StaticClassInfo()));
}

TEST(TypeInfo, ObjectsKnowTheirClassThroughTheBasePointer) {
    TWideProbe wide(nullptr);
    const TObject& asObject = wide;
    EXPECT_EQ(asObject.ClassName(), "TWideProbe");
    EXPECT_EQ(GetPropInfo(asObject.ClassInfo(), "tRIES"), &TProbe::StaticClassInfo().Properties[4]);
    EXPECT_EQ(GetPropInfo(asObject.ClassInfo(), "Name"), nullptr);
}

TEST(TypeInfo, AccessorsGoThroughFieldOrSetter) {
    TProbe p(nullptr);
    p.SetName("P");
    TProbe::Calls().clear();
    const TPropInfo& letter = *GetPropInfo(p.ClassInfo(), "Letter");
    const TPropInfo& tries = *GetPropInfo(p.ClassInfo(), "Tries");
    letter.Write.Set(p, 'Q');
    tries.Write.Set(p, 255); // the bounds are for design tools, the storage takes it
    EXPECT_EQ(TProbe::Calls(), std::vector<std::string>{"P.SetLetter(81)"});
    EXPECT_EQ(letter.Read.Get(p), 'Q');
    EXPECT_EQ(p.Tries, 255);
    EXPECT_EQ(letter.Write.Kind, TAccessKind::Method);
    EXPECT_EQ(tries.Write.Kind, TAccessKind::Field);
    // A character reads back as 0..255 whatever the signedness of char.
    letter.Write.Set(p, 0xE9);
    EXPECT_EQ(letter.Read.Get(p), 0xE9);
}

TEST(TypeInfo, EnumerationNamesAndStorage) {
    const TTypeInfo& kind = probe::TypeInfo_TProbeKind;
    EXPECT_EQ(GetEnumName(kind, 2), "pkAll");
    EXPECT_EQ(GetEnumName(kind, 3), "");
    EXPECT_EQ(GetEnumValue(kind, "PKSOME"), 1);
    EXPECT_EQ(GetEnumValue(kind, "pkMany"), std::nullopt);
    EXPECT_EQ(StorageSize(probe::TypeInfo_TTries.OrdType), 1);
    EXPECT_EQ(StorageRange(TypeInfoCardinal.OrdType).Max, std::numeric_limits<Cardinal>::max());
}

TEST(Registry, FindsClassesByNameAndCreatesThemWithAnOwner) {
    probe::RegisterProbes();
    probe::RegisterProbes(); // again: no effect
    EXPECT_EQ(GetClass("tprobe"), &TProbe::StaticClassInfo());
    EXPECT_EQ(GetClass("TDataModule"), &TDataModule::StaticClassInfo());
    EXPECT_THROW(FindClass("TMissing"), EClassNotFound);

    TDataModule owner(nullptr);
    TComponent* made = FindClass("TWideProbe").Create(&owner);
    EXPECT_EQ(made->Owner(), &owner);
    EXPECT_EQ(made->ClassName(), "TWideProbe");
}

TEST(Registry, RefusesASecondClassOfTheSameNameAndNonComponents) {
    static const TClassInfo impostor{"TProbe", &TComponent::StaticClassInfo(), {}, &CreateComponent<TComponent>};
    probe::RegisterProbes();
    EXPECT_THROW(RegisterClass(impostor), EFilerError);
    EXPECT_THROW(RegisterClass(TPersistent::StaticClassInfo()), EFilerError);
    EXPECT_EQ(GetClass("TProbe"), &TProbe::StaticClassInfo());
}

} // namespace
