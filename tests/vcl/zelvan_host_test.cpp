// End-to-end runs of the built zelvan-host.
#include <gtest/gtest.h>
#include <sys/stat.h>

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
    testsupport::CommandResult Host(const std::string& args) { return HostWith(Drives(), args); }
    testsupport::CommandResult HostWith(const std::string& environment, const std::string& args) {
        return testsupport::Run("env -u ZELVAN_TRACE -u ZELVAN_FAULTS " + environment + " " ZELVAN_HOST " " + args);
    }
    std::string Drives() const { return "ZELVAN_DRIVES='C=" + c.image.string() + ";D=" + d.image.string() + "'"; }
    std::string Path(const char* name) { return "'" + (dir / name).string() + "'"; }
    // A text form of one data module, and its binary form's path.
    std::string TextForm() {
        WriteFile(dir / "m.txt", Bytes("object M: TDataModule\nend\n"));
        return Path("m.txt");
    }
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

// convert writes as zelvan does: through links, into special files in
// place, never over a drive's image, and removes nothing it did not make.
TEST_F(ZelvanHost, ConvertWritesItsOutputSafely) {
    const std::string form = TextForm();
    const vcl::TBytes binary = WriteComponent(module, TFormEncoding::Binary);
    std::filesystem::create_symlink("target.dfm", dir / "link.dfm");
    WriteFile(dir / "target.dfm", Bytes("old"));
    WriteFile(dir / "target.dfm.partial", Bytes("someone else's"));
    ASSERT_EQ(Host("convert " + form + " " + Path("link.dfm")).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.dfm"));
    EXPECT_EQ(Text(ReadFile(dir / "target.dfm")).substr(0, 4), "TPF0");
    EXPECT_EQ(Text(ReadFile(dir / "target.dfm.partial")), "someone else's");

    ASSERT_EQ(::mkfifo((dir / "out.fifo").c_str(), 0600), 0);
    testsupport::CommandResult fifo =
        testsupport::Run("cat " + Path("out.fifo") + " > " + Path("got.dfm") + " & " + Drives() + " " ZELVAN_HOST
                         " convert " + form + " " + Path("out.fifo") + "; wait");
    EXPECT_EQ(fifo.status, 0) << fifo.output;
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "out.fifo"));
    EXPECT_EQ(ReadFile(dir / "got.dfm"), ReadFile(dir / "target.dfm"));

    const vcl::TBytes image = ReadFile(c.image);
    testsupport::CommandResult drive = Host("convert " + form + " '" + c.image.string() + "'");
    EXPECT_EQ(drive.status, 1);
    EXPECT_EQ(drive.output, "zelvan-host: cannot write output " + c.image.string() +
                                ": it is the backing of drive C:, which it would overwrite\n");
    EXPECT_EQ(ReadFile(c.image), image);
}

// Refused with what the file is, before a byte is read: nothing waits on a
// FIFO, and nothing reads a device or a huge file into memory.
TEST_F(ZelvanHost, WhatIsNoFormFileIsRefusedBeforeAnyOfItIsRead) {
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("loop", dir / "loop");
    // Sparse: 3 GiB that take no room.
    testsupport::RunOk("truncate -s 3G " + Path("huge.dfm"));
    const std::pair<std::filesystem::path, std::string> files[] = {
        {dir / "folder", "it is a folder"},
        {dir / "fifo", "it is a FIFO, not a file"},
        {"/dev/zero", "it is a device, not a file"},
        {dir / "loop", "Too many levels of symbolic links"},
        {dir / "huge.dfm", "at 3221225472 bytes it is larger than a form file can be (2147483647 bytes)"},
    };
    for (const auto& [file, why] : files) {
        const std::string name = "'" + file.string() + "'";
        for (const std::string& command : {"form " + name, "convert " + name + " " + Path("x.txt")}) {
            testsupport::CommandResult result = HostWith(testsupport::Bounded(20) + "env " + Drives(), command);
            EXPECT_EQ(result.status, 1) << command;
            EXPECT_EQ(result.output, "zelvan-host: " + file.string() + ": cannot read: " + why + "\n");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.txt"));
    EXPECT_EQ(Host("convert " + TextForm() + " ''").output, "zelvan-host: the output file's name is empty\n");
}

// Errors name zelvan-host, whatever raises them, and show the bytes of a
// damaged form as text.
TEST_F(ZelvanHost, ErrorsNameTheProgramAndEscapeRawBytes) {
    testsupport::CommandResult drives = HostWith("ZELVAN_DRIVES='C=x.img:bogus'", "form " + TextForm());
    EXPECT_EQ(drives.status, 2);
    EXPECT_EQ(drives.output, "zelvan-host: ZELVAN_DRIVES: drive entry 'C=x.img:bogus': unknown flag 'bogus' (the "
                             "flags are removable, fixed, ro, offset=BYTES and size=BYTES)\n");
    // A well-formed form of a class whose name holds an escape sequence.
    WriteFile(dir / "raw.dfm", Bytes(std::string("TPF0\x07TZ\x1B[2Jv\x01Z\x00\x00", 16)));
    testsupport::CommandResult raw = Host("form " + Path("raw.dfm"));
    EXPECT_EQ(raw.status, 1);
    EXPECT_EQ(raw.output, "zelvan-host: " + (dir / "raw.dfm").string() + ": byte 4: unknown class 'TZ\\x1B[2Jv'\n");
    EXPECT_EQ(testsupport::Run("( " ZELVAN_HOST " --help > /dev/full )").output,
              "zelvan-host: cannot write standard output: No space left on device\n");
}

// Loading a TZelvan form measures C:; a FIFO there is refused at once.
TEST_F(ZelvanHost, AFifoBehindADriveDoesNotHangAForm) {
    ASSERT_EQ(::mkfifo((dir / "c.fifo").c_str(), 0600), 0);
    WriteFile(dir / "z.txt", Bytes("object M: TDataModule\n  object Z: TZelvan\n  end\nend\n"));
    testsupport::CommandResult result =
        HostWith("timeout 10 env ZELVAN_DRIVES='C=" + (dir / "c.fifo").string() + "'", "form " + Path("z.txt"));
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("Z: TZelvan"), std::string::npos) << result.output;
}

} // namespace
