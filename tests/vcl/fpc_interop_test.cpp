// Forms exchanged with Free Pascal's Classes unit (TReader, TWriter,
// ObjectBinaryToText, ObjectTextToBinary), the established implementation
// of the format: formpeer.pas, compiled here with fpc, mirrors our classes.
#include <gtest/gtest.h>

#include "floppy_probe.h"
#include "form_test_util.h"
#include "vcl/formbinary.h"
#include "vcl/registry.h"
#include "vcl/streaming.h"
#include "win32/hosted/hosted_pc.h"
#include "zelvan_drives.h"

using namespace vcl;
using formtest::Bytes;
using formtest::Text;
using testsupport::ReadFile;
using testsupport::RunOk;
using testsupport::WriteFile;
using Orvane::TZelvan;

namespace {

class FpcInterop : public zelvantest::ZelvanForms {
protected:
    static void SetUpTestSuite() {
        peerDir = new testsupport::TempDir;
        RunOk("fpc -v0 -l- -FU'" + peerDir->path().string() + "' -o'" + Peer() + "' '" FORMPEER_SOURCE "'");
    }
    static void TearDownTestSuite() { delete peerDir; }
    static std::string Peer() { return (*peerDir / "formpeer").string(); }

    void SetUp() override {
        ZelvanForms::SetUp();
        RegisterClass(TFloppyProbe::StaticClassInfo());
    }

    // fpc's command on files of this test's folder.
    std::string RunPeer(const std::string& command, const std::string& in, const std::string& out) {
        return RunOk("'" + Peer() + "' " + command + " '" + (dir / in).string() + "' '" + (dir / out).string() + "'");
    }

    // The listing formpeer prints: "Name: Class Prop=ordinal ...".
    static std::string Listing(const TComponent& root) {
        std::string out;
        auto line = [&](const TComponent& c) {
            out += std::string(c.Name().View()) + ": " + std::string(c.ClassName());
            for (const TPropInfo* prop : GetPropList(c.ClassInfo()))
                out += " " + std::string(prop->Name) + "=" + std::to_string(prop->Read.Get(c));
            out += "\n";
        };
        line(root);
        for (int i = 0; i < root.ComponentCount(); ++i) line(*root.Components(i));
        return out;
    }

    void BuildModule() {
        TZelvan& a = AddZelvan("A");
        a.SetDisk('D');
        a.SetFirstSector(static_cast<Cardinal>(c.bound + 3));
        a.SetSectors(300);
        a.SetNeedDiskLock(true);
        a.SetNeedWriteWarn(false);
        a.SetRetries(0);
        AddZelvan("Plain").SetRetries(25);
        auto* floppy = new TFloppyProbe(&module);
        floppy->SetName("Floppy");
        floppy->FloppyType = Orvane::D720;
    }

    static testsupport::TempDir* peerDir;
};
testsupport::TempDir* FpcInterop::peerDir = nullptr;

TEST_F(FpcInterop, FpcLoadsOurBinaryFormAndWritesTheSameBytes) {
    BuildModule();
    TBytes ours = WriteComponent(module, TFormEncoding::Binary);
    WriteFile(dir / "ours.dfm", ours);
    EXPECT_EQ(RunPeer("load", "ours.dfm", "theirs.dfm"), Listing(module));
    EXPECT_EQ(ReadFile(dir / "theirs.dfm"), ours);
}

TEST_F(FpcInterop, TextEncodingsAgreeByteForByteBothWays) {
    BuildModule();
    WriteFile(dir / "ours.dfm", WriteComponent(module, TFormEncoding::Binary));
    WriteFile(dir / "ours.txt", WriteComponent(module, TFormEncoding::Text));
    RunPeer("totext", "ours.dfm", "theirs.txt");
    RunPeer("tobinary", "ours.txt", "theirs.dfm");
    EXPECT_EQ(Text(ReadFile(dir / "theirs.txt")), Text(ReadFile(dir / "ours.txt")));
    EXPECT_EQ(ReadFile(dir / "theirs.dfm"), ReadFile(dir / "ours.dfm"));
}

TEST_F(FpcInterop, FormsWrittenByFpcLoadHere) {
    BuildModule();
    WriteFile(dir / "ours.txt", WriteComponent(module, TFormEncoding::Text));
    RunPeer("tobinary", "ours.txt", "converted.dfm");
    RunPeer("load", "converted.dfm", "written.dfm"); // TWriter's own output
    for (const char* file : {"converted.dfm", "written.dfm"}) {
        std::unique_ptr<TComponent> read = ReadComponent(ReadFile(dir / file), file);
        EXPECT_EQ(Listing(*read), Listing(module)) << file;
    }
}

TEST_F(FpcInterop, ACharacterOutsideThePrintableRangeTravelsAsItsCode) {
    hosted::UnmapDrive('C');
    AddZelvan("NoDrive"); // C: cannot be measured, so DriveName stays #0
    WriteFile(dir / "zero.dfm", WriteComponent(module, TFormEncoding::Binary));
    EXPECT_EQ(RunPeer("load", "zero.dfm", "theirs.dfm"), Listing(module));
    EXPECT_EQ(ReadFile(dir / "theirs.dfm"), ReadFile(dir / "zero.dfm"));
    RunPeer("totext", "zero.dfm", "theirs.txt");
    EXPECT_EQ(Text(ReadFile(dir / "theirs.txt")), Text(WriteComponent(module, TFormEncoding::Text)));
    EXPECT_NE(Text(ReadFile(dir / "theirs.txt")).find("DriveName = #0\n"), std::string::npos);
}

// A Cardinal above 2147483647 is written as the negative 32-bit integer of
// the same bits, as TWriter writes it and TReader reads it; the 64-bit tag
// that ObjectTextToBinary makes of a large number is read here too, though
// TReader itself refuses it.
TEST_F(FpcInterop, LargeCardinalsUseThe32BitTag) {
    if constexpr (std::is_signed_v<Cardinal>) {
        GTEST_SKIP() << "vcl30: Cardinal holds 0..2147483647 only";
    } else {
        // No drive here is large enough for the setter to take it, so the
        // form is made directly.
        TFormObject form{"TZelvan", "Large", {{"FirstSector", TFormValue::OfInteger(-1294967296), {}}}, {}, {}};
        WriteFile(dir / "large.dfm", WriteBinaryForm(form));
        EXPECT_NE(RunPeer("load", "large.dfm", "theirs.dfm").find("FirstSector=3000000000"), std::string::npos);
        EXPECT_EQ(ReadFile(dir / "theirs.dfm"), ReadFile(dir / "large.dfm"));

        WriteFile(dir / "large.txt", Bytes("object Large: TZelvan\n  FirstSector = 3000000000\nend\n"));
        RunPeer("tobinary", "large.txt", "wide.dfm");
        TFormObject wide = ReadBinaryForm(ReadFile(dir / "wide.dfm"), "wide.dfm");
        EXPECT_EQ(wide.Properties[0].Value.Type, TValueType::vaInt64);
        EXPECT_EQ(wide.Properties[0].Value.Integer, 3000000000);
        EXPECT_NE(testsupport::Run("'" + Peer() + "' load '" + (dir / "wide.dfm").string() + "' /dev/null").status, 0);
    }
}

} // namespace
