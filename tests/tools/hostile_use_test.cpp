// zelvan used as a hostile user would: outputs that are special files,
// links, drive images or full; inputs that run short or never end; drives
// that are no volumes; and failures that must not pass for success or hide
// what they did.
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "common/outcome.h"
#include "win32/hosted/hosted_pc.h"
#include "zelvan/machine_setup.h"
#include "zelvan/selection.h"
#include "zelvan/transfer.h"

#include "zelvan_run.h"

namespace tools_test {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

class HostileUse : public ::testing::Test {
protected:
    std::string Read(std::uint32_t first, std::uint32_t count, const std::string& output) {
        return images.Drives() + " read C " + std::to_string(first) + " " + std::to_string(count) + " -o " + output;
    }
    Bytes DiskBytes(std::uint32_t first, std::uint32_t count) const {
        return testsupport::DdRead(images.disk(), std::uint64_t{first} * 512, std::uint64_t{count} * 512);
    }
    // An image as it was, with the first `sectors` sectors of `bytes` at sector `first`.
    static Bytes ImageWith(const Bytes& before, std::uint32_t first, const Bytes& bytes, std::size_t sectors) {
        Bytes expected = before;
        std::copy(bytes.begin(), bytes.begin() + std::ptrdiff_t(sectors * 512), expected.begin() + std::ptrdiff_t{first} * 512);
        return expected;
    }
    // `command` run with `input` and the answer Yes, while the calls of `faults` fail.
    ToolResult FaultedWrite(const std::string& command, const fs::path& input, const std::string& faults) const {
        return RunZelvan(images.Drives() + " --yes " + command + " -i " + Quote(input), "ZELVAN_FAULTS='" + faults + "'");
    }
    fs::path Input(const std::string& name, std::size_t sectors, std::uint8_t seed) const {
        const fs::path input = images.dir() / name;
        testsupport::WriteFile(input, testsupport::Pattern(sectors * 512, seed));
        return input;
    }

    Images images;
};

TEST_F(HostileUse, AFifoOrADeviceAsOutputIsWrittenInPlace) {
    const fs::path fifo = images.dir() / "out.fifo", got = images.dir() / "got.bin";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const ToolResult result = RunZelvan(Read(3, 4, Quote(fifo)) + " & cat " + Quote(fifo) + " > " + Quote(got) + "; wait $!");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(testsupport::ReadFile(got), DiskBytes(3, 4));

    // A device node (as root can make one): the null device, as /dev/null is.
    const fs::path device = images.dir() / "null";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) return;
    ASSERT_EQ(RunZelvan(Read(0, 1, Quote(device))).status, 0);
    EXPECT_TRUE(fs::is_character_file(device));
}

TEST_F(HostileUse, ALinkAsOutputIsFollowedAndStays) {
    const fs::path target = images.dir() / "target.bin", link = images.dir() / "link.bin";
    testsupport::WriteFile(target, Bytes(100, 0x11));
    fs::create_symlink("target.bin", link);
    ASSERT_EQ(RunZelvan(Read(5, 2, Quote(link))).status, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(testsupport::ReadFile(target), DiskBytes(5, 2));
    // A link to nothing yet makes its target.
    fs::create_symlink("new.bin", images.dir() / "dangling.bin");
    ASSERT_EQ(RunZelvan(Read(7, 1, Quote(images.dir() / "dangling.bin"))).status, 0);
    EXPECT_EQ(testsupport::ReadFile(images.dir() / "new.bin"), DiskBytes(7, 1));
}

// The tool removes only the temporary file it made, after a failure as
// after a success.
TEST_F(HostileUse, FilesTheToolDidNotMakeSurvive) {
    const fs::path out = images.dir() / "out.bin";
    for (const std::string suffix : {".partial", ".part", ".partial-00000000"})
        testsupport::WriteFile(out.string() + suffix, Bytes(10, 0x22));
    testsupport::WriteFile(out, Bytes(10, 0x33));
    ExpectFailure(RunZelvan(Read(0, 1, Quote(out)), "ZELVAN_FAULTS='ReadFile#1,2,3,4'"), "could not read sectors 0 to 0");
    EXPECT_EQ(testsupport::ReadFile(out), Bytes(10, 0x33));
    ASSERT_EQ(RunZelvan(Read(0, 1, Quote(out))).status, 0);
    EXPECT_EQ(testsupport::ReadFile(out), DiskBytes(0, 1));
    std::size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(images.dir().path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("out.bin", 0) == 0) ++files;
    }
    EXPECT_EQ(files, 4u) << "out.bin and the three files beside it, and nothing else";
    for (const std::string suffix : {".partial", ".part", ".partial-00000000"})
        EXPECT_EQ(testsupport::ReadFile(out.string() + suffix), Bytes(10, 0x22)) << suffix;
}

// However it is named, the file behind a drive is not the output.
TEST_F(HostileUse, ADrivesBackingIsNeitherOutputNorTrace) {
    const Bytes before = testsupport::ReadFile(images.disk());
    fs::create_symlink(images.disk(), images.dir() / "alias.img");
    for (const fs::path& name : {images.disk(), images.dir() / "alias.img", images.dir() / "." / "disk.img"})
        ExpectFailure(RunZelvan(Read(0, 2, Quote(name))),
                      "cannot write output " + name.string() + ": it is the backing of drive C:, which it would overwrite");
    const std::string output = Quote(images.dir() / "x.bin");
    const ToolResult traced = RunZelvan("--trace=" + Quote(images.dir() / "alias.img") + " " + Read(0, 1, output));
    EXPECT_EQ(traced.status, 2) << traced.err;
    EXPECT_NE(traced.err.find("is the backing of drive C:; the journal would be written into the drive"),
              std::string::npos)
        << traced.err;
    const ToolResult environment = RunZelvan(Read(0, 1, output), "ZELVAN_TRACE=" + Quote(images.disk()));
    EXPECT_EQ(environment.status, 2) << environment.err;
    EXPECT_NE(environment.err.find("zelvan: --drive: drive C: '" + images.disk().string() + "' is the trace file"),
              std::string::npos)
        << environment.err;
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()), before));
}

// A trace that would wait for a reader is refused at once; one that loses
// lines fails the run, which would otherwise end well without its journal.
TEST_F(HostileUse, ATraceIsWrittenWholeOrTheRunFails) {
    const fs::path fifo = images.dir() / "trace.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string read = images.Drives() + " read C 0 1";
    const ToolResult unread = RunZelvan(read, "ZELVAN_TRACE=" + Quote(fifo));
    EXPECT_EQ(unread.status, 2);
    EXPECT_EQ(unread.err, "zelvan: ZELVAN_TRACE: trace file '" + fifo.string() + "' is a FIFO that no program reads\n");
    const ToolResult unreadOption = RunZelvan("--trace=" + Quote(fifo) + " " + read);
    EXPECT_EQ(unreadOption.status, 2);
    EXPECT_NE(unreadOption.err.find("trace file '" + fifo.string() + "' is a FIFO that no program reads"), std::string::npos)
        << unreadOption.err;

    const std::string lost = "trace file '/dev/full' could not be written: No space left on device; the journal stops short";
    ExpectFailure(RunZelvan(read, "ZELVAN_TRACE=/dev/full"), lost);
    ExpectFailure(RunZelvan("--trace=/dev/full " + read), lost);
}

TEST_F(HostileUse, OutputThatCannotBeWrittenFailsWithTheReason) {
    const std::string noSpace = "cannot write standard output: No space left on device";
    ExpectFailure(RunZelvan(images.Drives() + " read C 0 64 > /dev/full"), noSpace);
    ExpectFailure(RunZelvan(images.Drives() + " info C > /dev/full"), noSpace);
    ExpectFailure(RunZelvan("--help > /dev/full"), noSpace);
    ExpectFailure(RunZelvan("read --help > /dev/full"), noSpace);
    // A closed standard output takes nothing, and no file opened meanwhile
    // takes its place: the trace gets its lines and no dump.
    const Bytes before = testsupport::ReadFile(images.disk());
    const fs::path trace = images.dir() / "trace.log";
    ExpectFailure(RunZelvan("--trace=" + Quote(trace) + " " + images.Drives() + " read C 0 1 >&-"),
                  "cannot write standard output: Bad file descriptor");
    const Bytes traced = testsupport::ReadFile(trace);
    EXPECT_EQ(std::string(traced.begin(), traced.end()).find("00000000  "), std::string::npos);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()), before));
}

TEST_F(HostileUse, ADialogThatCannotBeShownIsNotAnAnswer) {
    const Bytes before = testsupport::ReadFile(images.disk());
    ExpectFailure(RunZelvan(images.Drives() + " write C 100 1 -i " + Quote(Input("in.bin", 1, 3)),
                            "ZELVAN_FAULTS='MessageBoxA#1'"),
                  "the write was not confirmed: the question \"Dangerous! Do you want to write to the drive C: "
                  "really?\" could not be shown (MessageBoxA failed); nothing was written");
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()), before));
}

// The NT road unlocks only after the whole run was written: a refused
// unlock fails the write, whose sectors are on the disk all the same.
TEST_F(HostileUse, AWriteWhoseUnlockIsRefusedSaysItWasWritten) {
    const Bytes before = testsupport::ReadFile(images.disk());
    const fs::path input = Input("in.bin", 3, 5);
    ExpectFailure(FaultedWrite("--lock write C 100 3", input, "DeviceIoControl:0x9001C#1,2,3,4"),
                  {"(ERROR_NOT_LOCKED)", "sectors 100 to 102 of C: were written"});
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()),
                                       ImageWith(before, 100, testsupport::ReadFile(input), 3)));
}

// On Windows 95/98 a floppy run goes sector by sector, and the sectors
// before the one that failed stay written. A request the device refused
// reached no service and wrote nothing.
TEST_F(HostileUse, AFloppyWriteSaysWhichSectorsWereWritten) {
    const Bytes before = testsupport::ReadFile(images.floppy());
    const fs::path input = Input("in.bin", 5, 6);
    // The third sector's two attempts fail.
    ExpectFailure(FaultedWrite("--platform 95 floppy-write A 1440 20 5", input, "DeviceIoControl:0x4#3,4"),
                  "could not write sectors 22 to 22 of A: (2 attempts per sector, no INT 13h request): the VWIN32 device "
                  "could not carry out the request (ERROR_GEN_FAILURE); --trace shows the Win32 calls; sectors 20 to 21 "
                  "of A: were written, sectors 22 to 24 of A: were not\n");
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.floppy()),
                                       ImageWith(before, 20, testsupport::ReadFile(input), 2)));
}

TEST_F(HostileUse, ALongWriteSaysWhichPiecesWereWritten) {
    const Bytes before = testsupport::ReadFile(images.disk());
    const std::uint32_t first = 100, count = (zelvan_cli::pieceBytes + (1u << 20)) / 512, perPiece = zelvan_cli::pieceBytes / 512;
    const fs::path input = Input("long.bin", count, 7);
    // Both attempts of both calls of the road for the second piece, which
    // fail before they write.
    ExpectFailure(FaultedWrite("write C 100 " + std::to_string(count), input, "WriteFile#2,3,4,5"),
                  "could not write sectors " + std::to_string(first + perPiece) + " to " +
                      std::to_string(first + count - 1) + " of C: (2 attempts, 4 WriteFile calls): the medium could not "
                      "be written (ERROR_WRITE_FAULT); --trace shows the Win32 calls; sectors 100 to " +
                      std::to_string(first + perPiece - 1) + " of C: were written, sectors " +
                      std::to_string(first + perPiece) + " to " + std::to_string(first + count - 1) + " of C: were not\n");
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()),
                                       ImageWith(before, first, testsupport::ReadFile(input), perPiece)));
}

// A piece whose write the medium took in part: a file-size limit stops the
// image's writes halfway through the run.
TEST_F(HostileUse, AWriteTheMediumTookInPartMayHaveBeenWritten) {
    const Bytes before = testsupport::ReadFile(images.disk());
    const fs::path input = Input("in.bin", 16, 11);
    const std::string limited =
        "sh -c 'trap \"\" XFSZ; exec \"$0\" \"$@\"' prlimit --fsize=" + std::to_string(1008 * 512);
    ExpectFailure(RunZelvan(images.Drives() + " --yes write C 1000 16 -i " + Quote(input), limited),
                  "could not write sectors 1000 to 1015 of C: (2 attempts, 4 WriteFile calls): the medium could not be "
                  "written (ERROR_WRITE_FAULT); --trace shows the Win32 calls; sectors 1000 to 1015 of C: may have been "
                  "written\n");
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()),
                                       ImageWith(before, 1000, testsupport::ReadFile(input), 8)));
}

// A medium that shrinks under a long write refuses the piece that no longer
// fits whole (ERROR_HANDLE_EOF): the message says it wrote nothing of it.
TEST_F(HostileUse, APieceThatNoLongerFitsItsMediumWritesNothing) {
    const Bytes before = testsupport::ReadFile(images.disk());
    hosted::ResetMachine();
    hosted::MapDrive('C', {images.disk().string()});
    zelvan_cli::machine::Configure({});
    Orvane::TZelvan zelvan(nullptr);
    zelvan.SetNeedWriteWarn(false);
    const zelvan_cli::DriveFacts drive = zelvan_cli::SelectDrive(zelvan, 'C');
    const std::uint32_t first = 100, perPiece = zelvan_cli::pieceBytes / 512, count = 2 * perPiece;
    const Bytes bytes = testsupport::Pattern(std::size_t{count} * 512, 12);
    std::size_t offset = 0;
    const std::uint64_t shrunk = std::uint64_t{first + perPiece + 10} * 512;
    std::string message;
    try {
        zelvan_cli::TransferRun(zelvan, drive, {'C', std::nullopt, first, count}, zelvan_cli::Direction::Write, {},
                                [&](std::span<std::uint8_t> piece) {
                                    if (offset > 0) fs::resize_file(images.disk(), shrunk);
                                    std::copy_n(bytes.begin() + std::ptrdiff_t(offset), piece.size(), piece.begin());
                                    offset += piece.size();
                                });
    } catch (const tools::Failure& failure) {
        message = failure.what();
    }
    hosted::ResetMachine();
    EXPECT_EQ(message, "the component could not write sectors " + std::to_string(first + perPiece) + " to " +
                           std::to_string(first + count - 1) + " of C: (2 attempts, 4 WriteFile calls): the run reaches "
                           "past the end of the medium (ERROR_HANDLE_EOF); --trace shows the Win32 calls; sectors 100 "
                           "to " + std::to_string(first + perPiece - 1) + " of C: were written, sectors " +
                           std::to_string(first + perPiece) + " to " + std::to_string(first + count - 1) + " of C: were not");
    Bytes expected = ImageWith(before, first, bytes, perPiece);
    expected.resize(shrunk);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()), expected));
}

// The NT road's tries nest: each of Retries attempts opens the volume and
// makes up to Retries calls of its own. The message counts the calls made.
TEST_F(HostileUse, TheAttemptsCountTheCallsThatWereMade) {
    ExpectFailure(RunZelvan(images.Drives() + " read C 0 1", "ZELVAN_FAULTS='ReadFile#1,2,3,4'"),
                  "could not read sectors 0 to 0 of C: (2 attempts, 4 ReadFile calls): the medium has a data error");
    ExpectFailure(RunZelvan(images.Drives() + " --retries 3 read C 0 1", "ZELVAN_FAULTS='ReadFile#1,2,3,4,5,6,7,8,9'"),
                  "could not read sectors 0 to 0 of C: (3 attempts, 9 ReadFile calls)");
    // A refused lock comes before the transfer.
    ExpectFailure(RunZelvan(images.Drives() + " --lock read C 0 1", "ZELVAN_FAULTS='DeviceIoControl:0x90018#1,2'"),
                  "could not read sectors 0 to 0 of C: (2 attempts, no ReadFile call)");
    // A floppy run on NT is one call of the road, whose own tries are the calls.
    ExpectFailure(RunZelvan(images.Drives() + " floppy-read A 1440 0 1", "ZELVAN_FAULTS='ReadFile#1,2'"),
                  "could not read sectors 0 to 0 of A: (2 ReadFile calls)");
}

TEST_F(HostileUse, LockingSaysWhatItLocksAndALockHeldElsewhereIsNamed) {
    const std::uint32_t count = (zelvan_cli::pieceBytes + (1u << 20)) / 512;
    const ToolResult pieces =
        RunZelvan(images.Drives() + " --lock read C 0 " + std::to_string(count) + " -o " + Quote(images.dir() / "out.bin"));
    EXPECT_EQ(pieces.status, 0);
    EXPECT_EQ(pieces.err, "zelvan: note: --lock locks the volume for each piece of at most " +
                              std::to_string(zelvan_cli::pieceBytes / 512) +
                              " sectors on its own, not for the whole run: between pieces another program may use "
                              "the volume\n");
    EXPECT_NE(RunZelvan("--help").out.find("each locked on its own"), std::string::npos);

    // Another program holds the volume locked, as a volume lock of the hosted
    // machine does: the NT road's open is refused before any write, and
    // the 98 road's write requests, sent though its lock was refused, write nothing.
    const int held = ::open(images.disk().c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const Bytes before = testsupport::ReadFile(images.disk());
    ExpectFailure(RunZelvan(images.Drives() + " --yes write C 100 1 -i " + Quote(Input("in.bin", 1, 8))),
                  "(2 attempts, no WriteFile call): the volume is locked by another program, or another program has it "
                  "open and keeps it from being locked (ERROR_ACCESS_DENIED); --trace shows the Win32 calls; nothing "
                  "was written\n");
    ExpectFailure(RunZelvan(images.Drives() + " --platform 98 --yes write C 100 1 -i " + Quote(Input("in.bin", 1, 8))),
                  "(2 attempts, 2 INT 21h 7305h requests): INT 21h 440Dh (lock volume) refused: access denied "
                  "(AX=0x0005): the volume is locked by another program; --trace shows the Win32 calls; nothing was "
                  "written\n");
    ::close(held);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()), before));
}

TEST_F(HostileUse, ADriveThatIsNoVolumeIsNamedWithItsBacking) {
    const fs::path folder = images.dir() / "folder", empty = images.dir() / "empty.img", fifo = images.dir() / "fifo";
    fs::create_directory(folder);
    testsupport::WriteFile(empty, {});
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path ext2 = images.dir() / "ext2.img";
    testsupport::RunOk("mkfs.ext2 -q -F " + Quote(ext2) + " 1024");
    ExpectFailure(RunZelvan(images.Drives() + " info Q"), "drive Q: is not mapped: give --drive Q=PATH or ZELVAN_DRIVES");
    const std::pair<fs::path, std::string> cases[] = {
        {images.dir() / "none.img", "does not exist"},
        {folder, "is a folder, not a disk image or block device"},
        {fifo, "is a FIFO, not a disk image or block device"},
        {empty, "is empty"},
        {ext2, "holds an ext2/3/4 file system, not a FAT, NTFS or exFAT volume"},
    };
    for (const auto& [path, problem] : cases)
        ExpectFailure(RunZelvan("--drive E=" + Quote(path) + " info E"),
                      "drive E: cannot be measured: its backing '" + path.string() + "' " + problem +
                          " (GetDiskFreeSpaceA: ");
}

// A FIFO is never opened, so a command on another drive, and one on the
// FIFO's own, end at once.
TEST_F(HostileUse, AFifoBehindADriveHangsNothing) {
    const fs::path fifo = images.dir() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunZelvan("--drive C=" + Quote(fifo) + " --drive A=" + Quote(images.floppy().string() + ":removable") +
                        " info A", "timeout 10")
                  .status,
              0);
    EXPECT_EQ(RunZelvan("--drive C=" + Quote(fifo) + " info C", "timeout 10").status, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(HostileUse, TransferFailuresAreNamedInWindowsWords) {
    const Bytes before = testsupport::ReadFile(images.disk());
    const fs::path input = Input("in.bin", 1, 9);
    const std::string readOnly = "--drive C=" + Quote(images.disk().string() + ":ro");
    // A read-only drive reads on every road, and refuses every write.
    for (const std::string platform : {"nt", "95", "98"})
        EXPECT_EQ(RunZelvan(readOnly + " --platform " + platform + " read C 0 1").status, 0) << platform;
    ExpectFailure(RunZelvan(readOnly + " --yes write C 100 1 -i " + Quote(input)),
                  "could not write sectors 100 to 100 of C: (2 attempts, 4 WriteFile calls): the drive is read-only: its "
                  "medium is write-protected (ERROR_WRITE_PROTECT); --trace shows the Win32 calls; nothing was written");
    ExpectFailure(RunZelvan(readOnly + " --platform 98 --yes write C 100 1 -i " + Quote(input)),
                  {"INT 21h 7305h (extended absolute read/write) refused", "(AX=0x0013)", "nothing was written"});
    // Every error the machine can return has its name.
    ExpectFailure(RunZelvan(images.Drives() + " --yes write C 100 1 -i " + Quote(input), "ZELVAN_FAULTS='WriteFile#1,2,3,4=112'"),
                  {"(2 attempts, 4 WriteFile calls)", "(ERROR_DISK_FULL)"});
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()), before));
    // INT 25h/26h do not reach FAT32.
    const fs::path fat32 = testsupport::MakeFatImage(images.dir(), "fat32.img", 34000, "-F 32");
    ExpectFailure(RunZelvan("--drive F=" + Quote(fat32) + " --platform 95 read F 0 1"),
                  "INT 25h (absolute read) refused: unknown medium: no FAT volume these services read (AX=0x0207); "
                  "INT 25h/26h do not reach a FAT32 volume");
}

// A device of 4096-byte sectors under a FAT volume of 512-byte ones: the NT
// road cannot move a 512-byte run there (a loop device, where one can be made).
TEST_F(HostileUse, RunsSmallerThanTheDevicesSectorsAreNamed) {
    const testsupport::CommandResult attached =
        testsupport::Run("losetup --sector-size 4096 -f --show " + Quote(images.disk()));
    const std::string device = attached.output.substr(0, attached.output.find('\n'));
    if (attached.status != 0 || device.rfind("/dev/loop", 0) != 0) GTEST_SKIP() << "no loop device: " << attached.output;
    const ToolResult result = RunZelvan("--drive C=" + device + " read C 1 1");
    testsupport::Run("losetup -d " + device);
    ExpectFailure(result, "(ERROR_INVALID_PARAMETER): the device's sectors are 4096 bytes, the run's 512");
}

TEST_F(HostileUse, DriveTextThatWouldHideAMistakeIsRefused) {
    const std::string disk = Quote(images.disk());
    const std::pair<std::string, std::string> cases[] = {
        {"--drive C=" + Quote(images.disk().string() + ":bogus") + " info C", "unknown flag 'bogus'"},
        {"--drive C=" + disk + " --drive c=" + disk + " info C", "drive C is given twice"},
        {"--drive A=" + Quote(images.floppy().string() + ":removable:fixed") + " info A",
         "the flags 'removable' and 'fixed' conflict"},
        {"--drive 'C=" + images.disk().string() + " ' info C", "begins or ends with a blank"},
    };
    for (const auto& [arguments, message] : cases) {
        const ToolResult result = RunZelvan(arguments);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_NE(result.err.find("zelvan: --drive: "), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
    const ToolResult environment = RunZelvan("info C", "ZELVAN_DRIVES=" + Quote("C=" + images.disk().string() + ":bogus"));
    EXPECT_EQ(environment.status, 2);
    EXPECT_EQ(environment.err.rfind("zelvan: ZELVAN_DRIVES: drive entry", 0), 0u) << environment.err;
}

// Standard input is read piece by piece: a run of 200 MiB from a pipe
// holds a few pieces in memory, not the run.
TEST_F(HostileUse, AWriteFromAPipeStreams) {
    const fs::path big = testsupport::MakeFatImage(images.dir(), "big.img", 256 * 1024, "-F 16");
    const std::uint32_t count = (200u << 20) / 512;
    // (AddressSanitizer would hold freed pieces in its quarantine.)
    const long peak = PeakResidentKiB("head -c " + std::to_string(std::uint64_t{count} * 512) +
                                      " /dev/zero | env -u ZELVAN_DRIVES "
                                      "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0\" '" +
                                      std::string(ZELVAN_TOOL) +
                                      "' --drive C=" + Quote(big) + " --no-warn write C 1000 " + std::to_string(count) +
                                      " -i -");
    EXPECT_LT(peak, 120 * 1024) << "KiB";
}

// A stream shows its length only as it is read: one that ends early stops
// the write at the piece it ends in, and the message says what was written.
TEST_F(HostileUse, AStreamThatEndsEarlyStopsAtItsPiece) {
    const Bytes before = testsupport::ReadFile(images.disk());
    const std::uint32_t count = (zelvan_cli::pieceBytes + (1u << 20)) / 512, perPiece = zelvan_cli::pieceBytes / 512;
    const fs::path input = Input("short.bin", perPiece + 10, 4);
    ExpectFailure(RunZelvan(images.Drives() + " --yes write C 100 " + std::to_string(count) + " -i - < " + Quote(input)),
                  "input (standard input) holds " + std::to_string((perPiece + 10) * 512) +
                      " bytes, but COUNT sectors take exactly " + std::to_string(count * 512) + "; sectors 100 to " +
                      std::to_string(100 + perPiece - 1) + " of C: were written, sectors " +
                      std::to_string(100 + perPiece) + " to " + std::to_string(100 + count - 1) + " of C: were not");
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.disk()),
                                       ImageWith(before, 100, testsupport::ReadFile(input), perPiece)));
}

// A boot sector of 1 sector per cluster, 0xFFFFFFFF sectors and a 16 GiB
// FAT, on a 40 GiB sparse file, is refused at once.
TEST_F(HostileUse, AHostileBootSectorIsAnsweredAtOnce) {
    const fs::path hostile = images.dir() / "hostile.img";
    Bytes boot = DiskBytes(0, 1);
    auto put = [&](std::size_t at, std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) boot[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put(13, 1, 1);                        // sectors per cluster
    put(14, 32, 2);                       // reserved sectors
    put(17, 0, 2);                        // root entries: FAT32's shape
    put(19, 0, 2);                        // the 32-bit total follows
    put(22, 0, 2);                        // the 32-bit FAT size follows
    put(32, 0xFFFFFFFF, 4);               // total sectors
    put(36, (std::uint64_t{16} << 30) / 512, 4); // sectors per FAT
    testsupport::WriteFile(hostile, boot);
    fs::resize_file(hostile, std::uint64_t{40} << 30);
    const auto start = std::chrono::steady_clock::now();
    ExpectFailure(RunZelvan("--drive C=" + Quote(hostile) + " info C"),
                  "holds no FAT boot sector: 4227858399 clusters are more than FAT32's 28-bit cluster numbers reach");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// On Windows 95/98 FORMAT 720 sends sector 9 to the BIOS as cylinder 0,
// head 1, sector 1: on a 1.44 MB disk that is sector 18.
TEST_F(HostileUse, AFloppyFormatOfAnotherSizeIsRefusedUnlessForced) {
    const Bytes before = testsupport::ReadFile(images.floppy());
    const fs::path input = Input("in.bin", 1, 10);
    const std::string write = images.Drives() + " --platform 95 --yes floppy-write A 720 9 1 -i " + Quote(input);
    ExpectFailure(RunZelvan(write), "FORMAT 720 describes a disk of 737280 bytes, but the medium in A: holds 1474560: on "
                                    "Windows 95/98 sector 9 goes to the BIOS as cylinder 0, head 1, sector 1, which on "
                                    "this disk is sector 18; nothing was written (--force writes all the same)");
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.floppy()), before));
    const ToolResult forced = RunZelvan(write + " --force");
    ASSERT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(forced.err.find("zelvan: warning: FORMAT 720 describes"), std::string::npos) << forced.err;
    const Bytes bytes = testsupport::ReadFile(input);
    Bytes expected = ImageWith(before, 18, bytes, 1);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.floppy()), expected));
    // The NT road writes the sector named, whatever the format.
    ASSERT_EQ(RunZelvan(images.Drives() + " --yes floppy-write A 720 9 1 -i " + Quote(input)).status, 0);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(images.floppy()), ImageWith(expected, 9, bytes, 1)));
}

// A read is refused as a write is: FORMAT 720 on a 1.44 MB disk reads sector
// 18 in place of sector 9, and so on. A run whose every sector lands where
// it is named (the first track) is taken.
TEST_F(HostileUse, AFloppyReadInAFormatOfAnotherSizeIsRefusedUnlessForced) {
    const fs::path output = images.dir() / "out.bin";
    const std::string read = images.Drives() + " --platform 95 floppy-read A 720 0 1400 -o " + Quote(output);
    ExpectFailure(RunZelvan(read), "FORMAT 720 describes a disk of 737280 bytes, but the medium in A: holds 1474560: on "
                                   "Windows 95/98 sector 9 goes to the BIOS as cylinder 0, head 1, sector 1, which on "
                                   "this disk is sector 18; nothing was read (--force reads all the same)");
    EXPECT_FALSE(fs::exists(output));
    const ToolResult forced = RunZelvan(read + " --force");
    ASSERT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(forced.err.find("zelvan: warning: FORMAT 720 describes"), std::string::npos) << forced.err;
    // 9 sectors a track and 2 heads, on a disk of 18 sectors a track.
    const Bytes disk = testsupport::ReadFile(images.floppy());
    Bytes expected;
    for (std::uint32_t sector = 0; sector < 1400; ++sector) {
        const auto onDisk = static_cast<std::ptrdiff_t>((sector / 9 * 18 + sector % 9) * 512);
        expected.insert(expected.end(), disk.begin() + onDisk, disk.begin() + onDisk + 512);
    }
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output), expected));

    const ToolResult firstTrack = RunZelvan(images.Drives() + " --platform 95 floppy-read A 720 0 9 -o " + Quote(output));
    ASSERT_EQ(firstTrack.status, 0) << firstTrack.err;
    EXPECT_EQ(firstTrack.err, "");
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output), testsupport::DdRead(images.floppy(), 0, 9 * 512)));
}

} // namespace
} // namespace tools_test
