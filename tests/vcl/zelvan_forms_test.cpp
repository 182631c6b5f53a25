#include <gtest/gtest.h>

#include "form_test_util.h"
#include "vcl/formbinary.h"
#include "vcl/formtext.h"
#include "vcl/streaming.h"
#include "win32/hosted/hosted_pc.h"
#include "zelvan_drives.h"

using namespace vcl;
using formtest::Bytes;
using formtest::Text;
using Orvane::TZelvan;
using zelvantest::ZelvanForms;

namespace {

TZelvan& Child(const std::unique_ptr<TComponent>& root, int index) {
    return dynamic_cast<TZelvan&>(*root->Components(index));
}

TEST_F(ZelvanForms, AComponentAsConstructedStoresNothing) {
    AddZelvan("Zelvan1");
    EXPECT_EQ(Text(WriteComponent(module, TFormEncoding::Text)),
              "object Module: TDataModule\n  object Zelvan1: TZelvan\n  end\nend\n");
}

TEST_F(ZelvanForms, RoundTripThroughBothEncodingsKeepsEveryProperty) {
    auto first = static_cast<Cardinal>(c.bound + 7);
    TZelvan& a = AddZelvan("A");
    a.SetDisk('d');
    a.SetFirstSector(first);
    a.SetSectors(5);
    a.SetNeedDiskLock(true);
    a.SetNeedWriteWarn(false);
    a.SetRetries(0);
    TZelvan& b = AddZelvan("B");
    b.SetRetries(255);
    AddZelvan("Plain");

    TBytes binary = WriteComponent(module, TFormEncoding::Binary);
    TBytes text = WriteFormTree(ReadBinaryForm(binary, "m.dfm"), TFormEncoding::Text);
    EXPECT_EQ(Text(text), "object Module: TDataModule\n"
                          "  object A: TZelvan\n"
                          "    DriveName = 'D'\n"
                          "    FirstSector = " + std::to_string(first) + "\n"
                          "    Sectors = 5\n"
                          "    NeedDiskLock = True\n"
                          "    NeedWriteWarn = False\n"
                          "    Retries = 0\n"
                          "  end\n"
                          "  object B: TZelvan\n"
                          "    Retries = 255\n"
                          "  end\n"
                          "  object Plain: TZelvan\n"
                          "  end\n"
                          "end\n");
    TBytes again = WriteFormTree(ReadTextForm(text, "m.txt"), TFormEncoding::Binary);
    EXPECT_EQ(again, binary);

    std::unique_ptr<TComponent> read = ReadComponent(again, "m.dfm");
    ASSERT_EQ(read->ComponentCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const TZelvan& original = dynamic_cast<const TZelvan&>(*module.Components(i));
        const TZelvan& copy = Child(read, i);
        EXPECT_EQ(copy.Name(), original.Name());
        EXPECT_EQ(copy.DriveName(), original.DriveName());
        EXPECT_EQ(copy.FirstSector(), original.FirstSector());
        EXPECT_EQ(copy.Sectors(), original.Sectors());
        EXPECT_EQ(copy.NeedDiskLock(), original.NeedDiskLock());
        EXPECT_EQ(copy.NeedWriteWarn(), original.NeedWriteWarn());
        EXPECT_EQ(copy.Retries(), original.Retries());
    }
}

TEST_F(ZelvanForms, DriveNameComesFirstSoSectorsBeyondCLoad) {
    ASSERT_LT(c.bound + 100, d.bound);
    auto first = static_cast<Cardinal>(c.bound + 50);
    std::string body = "    FirstSector = " + std::to_string(first) + "\n    Sectors = 40\n";
    TBytes onD = Bytes("object Module: TDataModule\n  object Z: TZelvan\n    DriveName = 'D'\n" + body + "  end\nend\n");
    TBytes onC = Bytes("object Module: TDataModule\n  object Z: TZelvan\n" + body + "  end\nend\n");

    hosted::ClearJournal();
    std::unique_ptr<TComponent> read = ReadComponent(onD, "d.txt");
    EXPECT_EQ(Child(read, 0).DriveName(), 'D');
    EXPECT_EQ(Child(read, 0).FirstSector(), first);
    EXPECT_EQ(Child(read, 0).Sectors(), 40u);
    // Nothing runs after the last property: the drive measured last is D.
    std::vector<std::string> journal = hosted::Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back().rfind("GetDiskFreeSpaceA(\"D:\\\"", 0), 0u) << journal.back();

    // Without DriveName the run is tested against C:, and refused.
    std::unique_ptr<TComponent> onDriveC = ReadComponent(onC, "c.txt");
    EXPECT_EQ(Child(onDriveC, 0).DriveName(), 'C');
    EXPECT_EQ(Child(onDriveC, 0).FirstSector(), 0u);
    EXPECT_EQ(Child(onDriveC, 0).Sectors(), 40u);
}

TEST_F(ZelvanForms, RetriesOutsideItsBoundsIsStoredAsGiven) {
    EXPECT_EQ(Orvane::TypeInfo_TRetries.MinValue, 1);
    EXPECT_EQ(Orvane::TypeInfo_TRetries.MaxValue, 25);
    for (int retries : {0, 255}) {
        TBytes form = Bytes("object Z: TZelvan\n  Retries = " + std::to_string(retries) + "\nend\n");
        std::unique_ptr<TComponent> read = ReadComponent(form, "r.txt");
        EXPECT_EQ(dynamic_cast<TZelvan&>(*read).Retries(), retries);
    }
    EXPECT_THROW(ReadComponent(Bytes("object Z: TZelvan\n  Retries = 256\nend\n"), "r.txt"), EReadError);
}

TEST_F(ZelvanForms, TypeInformationDescribesTheUnit) {
    const TClassInfo& type = TZelvan::StaticClassInfo();
    std::vector<std::string_view> names;
    for (const TPropInfo* prop : GetPropList(type)) names.push_back(prop->Name);
    EXPECT_EQ(names, (std::vector<std::string_view>{"DriveName", "FirstSector", "Sectors", "NeedDiskLock",
                                                    "NeedWriteWarn", "Retries"}));
    // Every default is what the constructor sets.
    TZelvan& fresh = AddZelvan("Fresh");
    for (const TPropInfo* prop : GetPropList(type)) EXPECT_EQ(prop->Read.Get(fresh), prop->Default) << prop->Name;
    EXPECT_EQ(GetEnumName(Orvane::TypeInfo_TFloppyType, Orvane::D1440), "D1440");
    EXPECT_EQ(Orvane::TypeInfo_TFloppyType.EnumNames.size(), 5u);
}

} // namespace
