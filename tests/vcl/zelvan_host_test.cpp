// End-to-end runs of the built zelvan-host.
#include <gtest/gtest.h>

#include "form_test_util.h"
#include "vcl/streaming.h"
#include "zelvan_drives.h"

using namespace vcl;
using formtest::Bytes;
using formtest::Text;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class ZelvanHost : public zelvantest::ZelvanForms {
protected:
    testsupport::CommandResult Host(const std::string& args) {
        return testsupport::Run("ZELVAN_DRIVES='C=" + c.image.string() + ";D=" + d.image.string() + "' " ZELVAN_HOST " " + args);
    }
    std::string Path(const char* name) { return "'" + (dir / name).string() + "'"; }
};

TEST_F(ZelvanHost, FormListsWhatWasLoadedAndWhatTheSetterRefused) {
    auto first = std::to_string(c.bound + 9);
    WriteFile(dir / "on-d.txt", Bytes("object M: TDataModule\n  object Z: TZelvan\n    DriveName = 'D'\n    FirstSector = " +
                                      first + "\n  end\nend\n"));
    WriteFile(dir / "on-c.txt", Bytes("object M: TDataModule\n  object Z: TZelvan\n    FirstSector = " + first + "\n  end\nend\n"));

    testsupport::CommandResult onD = Host("form " + Path("on-d.txt"));
    EXPECT_EQ(onD.status, 0) << onD.output;
    EXPECT_NE(onD.output.find("Z: TZelvan\n"), std::string::npos) << onD.output;
    EXPECT_NE(onD.output.find("  DriveName       'D'         stored\n"), std::string::npos) << onD.output;
    EXPECT_NE(onD.output.find("  FirstSector     " + first), std::string::npos) << onD.output;
    EXPECT_NE(onD.output.find("  Retries         2           default\n"), std::string::npos) << onD.output;

    testsupport::CommandResult onC = Host("form " + Path("on-c.txt"));
    EXPECT_NE(onC.output.find("(form gives " + first + ", not taken)"), std::string::npos) << onC.output;
}

TEST_F(ZelvanHost, ConvertsBothWaysWithoutLoss) {
    Orvane::TZelvan& z = AddZelvan("Z");
    z.SetDisk('D');
    z.SetSectors(12);
    z.SetNeedWriteWarn(false);
    WriteFile(dir / "m.dfm", WriteComponent(module, TFormEncoding::Binary));
    ASSERT_EQ(Host("convert " + Path("m.dfm") + " " + Path("m.txt")).status, 0);
    EXPECT_EQ(Text(ReadFile(dir / "m.txt")), Text(WriteComponent(module, TFormEncoding::Text)));
    ASSERT_EQ(Host("convert " + Path("m.txt") + " " + Path("back.dfm")).status, 0);
    EXPECT_EQ(ReadFile(dir / "back.dfm"), ReadFile(dir / "m.dfm"));
    ASSERT_EQ(Host("convert " + Path("m.dfm") + " " + Path("same.dfm") + " --binary").status, 0);
    EXPECT_EQ(ReadFile(dir / "same.dfm"), ReadFile(dir / "m.dfm"));
}

TEST_F(ZelvanHost, InspectShowsTypesDefaultsAndBounds) {
    testsupport::CommandResult shown = Host("inspect TZelvan");
    ASSERT_EQ(shown.status, 0) << shown.output;
    std::size_t at = 0;
    for (const TPropInfo* prop : GetPropList(Orvane::TZelvan::StaticClassInfo())) {
        std::size_t line = shown.output.find("\n  " + std::string(prop->Name) + " ", at);
        ASSERT_NE(line, std::string::npos) << prop->Name << " missing or out of order:\n" << shown.output;
        at = line + 1;
    }
    EXPECT_NE(shown.output.find("TRetries  2        1..25, unsigned byte"), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find("SetDisk (setter)"), std::string::npos) << shown.output;
}

TEST_F(ZelvanHost, BadFormsAndBadUsage) {
    WriteFile(dir / "bad.dfm", Bytes("TPF0\x07TZelvan\x01Z\x09"));
    testsupport::CommandResult bad = Host("form " + Path("bad.dfm"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.output, "zelvan-host: " + (dir / "bad.dfm").string() +
                              ": byte 14: a property name of 9 bytes runs past the end of the form at byte 15\n");
    testsupport::CommandResult missing = Host("convert " + Path("none.dfm") + " " + Path("out.txt"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("none.dfm: cannot read"), std::string::npos) << missing.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));

    EXPECT_EQ(Host("").status, 2);
    EXPECT_EQ(Host("convert only-one").status, 2);
    EXPECT_EQ(Host("frobnicate").status, 2);
    EXPECT_EQ(Host("inspect TNothing").status, 2);
    testsupport::CommandResult help = Host("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("examples:"), std::string::npos);
}

TEST_F(ZelvanHost, EachCommandExplainsItselfAndTakesOnlyItsOwnOptions) {
    testsupport::CommandResult help = Host("convert --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output, "usage: zelvan-host convert IN OUT [--text|--binary]\n\n"
                           "convert a form between the binary and text\n"
                           "encodings; the input's encoding is detected, the\n"
                           "output is the other one unless chosen\n");

    WriteFile(dir / "m.txt", Bytes("object M: TDataModule\nend\n"));
    testsupport::CommandResult both = Host("convert " + Path("m.txt") + " " + Path("m.dfm") + " --text --binary");
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(both.output, "zelvan-host: convert takes --text or --binary, not both (see zelvan-host --help)\n");
    testsupport::CommandResult foreign = Host("form " + Path("m.txt") + " --binary");
    EXPECT_EQ(foreign.status, 2);
    EXPECT_EQ(foreign.output, "zelvan-host: form takes no option '--binary' (see zelvan-host --help)\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "m.dfm"));
}

} // namespace
