#include "zelvan/command_table.h"

#include "zelvan/commands.h"
#include "zelvan/demo.h"

namespace zelvan_cli {

namespace {

// What `zelvan --help` prints after the usage of every command.
constexpr std::string_view overviewHelp = R"(
Reads and writes raw sectors of a drive through the TZelvan component.
LETTER is a drive letter (C or C:), FIRST the first sector (0 is the first
sector of the volume), COUNT the number of sectors, FORMAT one of 360, 720,
1200, 1440 or unknown (handled as 1440).

Commands:
  info          the drive's geometry, its size bound, what lies out of reach
                and the road transfers take
  read          COUNT sectors from FIRST, as a hex dump or raw into FILE, or
                past bad sectors with --rescue MAPFILE
  write         COUNT sectors from FIRST, taken from FILE (- for standard input)
  floppy-read   like read, by cylinder/head/sector on Windows 95/98
  floppy-write  like write, to a floppy in A: or B:
  map           a picture of what the volume's sectors hold, into FILE
  demo          builds two disk images and shows what the component does

Options:
  --drive L=PATH[:removable|:fixed][:ro][:offset=BYTES][:size=BYTES]
                map drive L to a disk image or block device; repeatable, each
                letter once; replaces what ZELVAN_DRIVES maps to L (example:
                --drive A=floppy.img:removable). A read-only drive (:ro, or a
                file you may not write) reads, and refuses every write. With
                offset and size (in bytes, whole 512-byte sectors) the drive is
                that part of the medium: a partition of a whole disk, which
                zelvan names when it refuses the disk
  --platform nt|95|98|10|P:B
                the Windows the machine reports: nt (default, NT 4), 95
                (transfers take the classic INT 25h/26h road), 98 (the extended
                INT 21h 7305h road), 10 (Windows 10, which writes into a mounted
                file system only with --lock) or a platform id and build
                (example: --platform 1:1111)
  --retries N   attempts per transfer, 0 to 255 (default 2; 0 never tries); on
                NT each attempt also tries its ReadFile or WriteFile up to N
                times, so a transfer that keeps failing makes N x N calls
  --lock        lock the volume around each transfer the component makes: a run
                longer than 1 MiB moves in pieces, each locked on its own, so
                another program may use the volume between pieces (writes on
                95/98 always lock; from Vista on a write into a mounted file
                system needs it)
  --no-warn     write without asking for confirmation
  --yes, --no   the answer to the confirmation; otherwise ZELVAN_ANSWER, else
                the question is asked on the terminal, where Enter is No;
                without a terminal nobody can be asked and nothing is written
  --trace[=FILE]
                append the Win32 call journal to FILE (standard error without FILE)
  -h, --help    this text; zelvan COMMAND --help explains one command
  -V, --version the version of zelvan
  --            ends the options: every argument after it is an operand

An option's value follows it (--retries 3) or is joined to it with = (--retries=3).

Exit status: 0 when the transfer succeeded, 1 when it did not (the reason is
printed in Windows' words with the calls that were made, and for a write which
sectors were written), 2 when the command line is wrong. Output that cannot be
written is a failure too. Stopped by SIGINT (Ctrl+C), SIGTERM or SIGHUP, zelvan
stops between pieces (or where it waits for input or output), removes a file it
had begun, says what was written, and ends by the signal: the shell shows 130,
143 or 129.

Example:
  zelvan --drive C=disk.img read C 0 1
)";

constexpr std::string_view infoHelp = R"(Shows how the component sees drive LETTER: its type, bytes per sector, sectors
per cluster, total and free clusters, the size bound B (total clusters x
sectors per cluster, in sectors and in bytes; FIRST and FIRST + COUNT must stay
below it; a product of 2^32 or more wraps, and the sectors it puts out of reach
are named), the medium's size in sectors, where the volume's boot area, FATs,
root folder and clusters lie (read through the component from its boot
sector), the sectors at and beyond B - 1 that read and write cannot reach and
why (B counts the clusters alone; on a 1.44 MB floppy read stops at sector
2845), the Windows the machine reports, the road transfers will take and, for
a removable drive, the floppy FORMAT of the medium's size.

Options: --drive, --platform (see zelvan --help).

Example:
  zelvan --drive C=disk.img --platform 98 info C
)";

constexpr std::string_view readHelp = R"(Reads COUNT sectors of drive LETTER, starting at sector FIRST, with
ReadSectors. Without -o the sectors are shown as a hex dump (offset, 16 bytes,
printable characters, like hexdump -C); with -o FILE their raw bytes go to
FILE, which is replaced only when the whole run was read (a link's target is
replaced; the backing of a drive is refused). -o - writes them to standard
output; a pipe, terminal, device or FIFO (/dev/stdout, say) is written in
place. Runs longer than 1 MiB move in pieces, with a progress bar when
standard error is a terminal, unless the hex dump or the bytes go to that
terminal too. The hex dump's offsets count from 0, or with --offsets volume
from FIRST's byte in the volume, as hexdump -s and xxd -s show them.

With --rescue MAPFILE the read goes on past bad sectors: a piece that fails
is read again sector by sector, and a sector that still fails is written to
FILE as zeros at its place and marked bad. MAPFILE, in GNU ddrescue's map
file form (ddrescuelog reads it), says which bytes of the drive were read
(+), are bad (-) or were not tried (?); it is saved after each piece. FILE
is written in place. Given an existing MAPFILE of the same run, only its
sectors not read yet are tried (an interrupted run resumes, bad sectors are
tried again) into the FILE earlier runs filled. The summary names the bad
sectors; exit status 1 while any remain.

Options:
  -o, --output FILE
                write the raw bytes to FILE (- for standard output)
  --rescue MAPFILE
                read on past bad sectors, recording them in MAPFILE
  --offsets run|volume
                the hex dump's offsets: from 0 (run, the default) or the
                volume's byte offsets (volume)
  --retries N   attempts per piece (default 2)
  --lock        lock the volume around each piece of the read
  --drive, --platform, --trace (see zelvan --help)

Example:
  zelvan --drive C=disk.img read C 0 2048 -o first-megabyte.bin
  zelvan --drive C=disk.img read C 0 65372 -o disk-copy.img --rescue disk-copy.map
)";

constexpr std::string_view writeHelp = R"(Writes COUNT sectors of drive LETTER, starting at sector FIRST, with
WriteSectors. FILE (- for standard input) must hold exactly COUNT x bytes per
sector bytes. A file of another length is refused before anything is written;
standard input is read piece by piece (1 MiB at a time), so a stream that
ends early or runs on is found out at the piece where it does, and the
message says which sectors were written. The component asks for
confirmation once, before the first piece; when the question goes to the
terminal, zelvan first says which sectors of which drive (and its backing)
are about to be written, and Enter answers No.

Options:
  -i, --input FILE
                the bytes to write; - reads standard input
  --yes, --no   answer the confirmation (else ZELVAN_ANSWER, else the terminal)
  --no-warn     do not ask at all
  --retries N   attempts per piece (default 2)
  --lock        lock the volume around each piece on NT (95/98 always locks)
  --drive, --platform, --trace (see zelvan --help)

Example:
  zelvan --drive C=disk.img --yes write C 100 1 -i sector.bin
)";

constexpr std::string_view floppyReadHelp = R"(Reads COUNT 512-byte sectors of the floppy in drive LETTER, starting at FIRST,
with ReadFloppySectors. LETTER must be a removable drive; the disk may hold any
file system or none (blank, damaged or foreign). FORMAT (360, 720, 1200, 1440
or unknown) gives the geometry that turns a sector number into cylinder, head
and sector on Windows 95/98; on NT the run is read from the raw volume. On
Windows 95/98 a FORMAT of another size than the disk's reads other sectors
than those named (FORMAT 720 sector 9 is sector 18 of a 1.44 MB disk): such
a read is refused unless --force is given.

The component checks FIRST and COUNT against the size bound B of its
DriveName drive (FIRST + COUNT must stay below it; see info), and the floppy
methods use that drive for nothing else: it is the drive --drive-name names,
else the floppy itself when the machine can measure it, else the drive the
component keeps, C: as a new component selects it (an application leaves
DriveName at its fixed drive). With none, the component takes no run but the
one it holds as created, FIRST 0 and COUNT 1. The size bound of a floppy's
own file system stops short of its last sectors (see info); --drive-name C
reaches them when C:'s is larger. Output, and --rescue, as for read.

Options:
  -o, --output FILE
                write the raw bytes to FILE (- for standard output)
  --rescue MAPFILE
                read on past bad sectors, recording them in MAPFILE (see read)
  --offsets run|volume
                the hex dump's offsets, from 0 or the disk's (see read)
  --force       read even when FORMAT is not the disk's size (95/98)
  --drive-name L
                the component's DriveName drive, whose size bound checks FIRST
                and COUNT
  --retries N   attempts per sector on 95/98 (default 2)
  --drive, --platform, --trace (see zelvan --help)

Example:
  zelvan --drive A=floppy.img:removable --platform 95 floppy-read A 1440 0 1
  zelvan --drive A=floppy.img:removable --drive C=disk.img --drive-name C floppy-read A 1440 0 2880 -o whole.img
)";

constexpr std::string_view floppyWriteHelp = R"(Writes COUNT 512-byte sectors to the floppy in drive LETTER (A or B, a
removable drive), starting at FIRST, with WriteFloppySectors. FILE (- for
standard input) must hold exactly COUNT x 512 bytes. FORMAT, --force and the
drive whose size bound B checks FIRST and COUNT are as for floppy-read: a
boot sector (FIRST 0, COUNT 1) is written to a blank or damaged disk even
when no drive can be measured. There each sector is written alone on Windows
95/98, so a failure names exactly the sectors written.

Options:
  -i, --input FILE
                the bytes to write; - reads standard input
  --force       write even when FORMAT is not the disk's size (95/98)
  --drive-name L
                the component's DriveName drive, whose size bound checks FIRST
                and COUNT
  --yes, --no   answer the confirmation (else ZELVAN_ANSWER, else the terminal)
  --no-warn     do not ask at all
  --retries N   attempts per sector on 95/98 (default 2)
  --drive, --platform, --trace (see zelvan --help)

Example:
  zelvan --drive A=floppy.img:removable --yes floppy-write A 1440 0 1 -i boot.bin
)";

constexpr std::string_view mapHelp = R"(Draws drive LETTER into FILE (.png or .bmp): a grid of cells, one or more
sectors each, left to right and top to bottom in sector order, coloured by
what the sectors hold: the boot area, the FATs and the root folder, used and
free clusters (read from the first FAT through the component; on exFAT and
NTFS the clusters are drawn alike), and the sectors from B - 1 on that read
and write cannot reach (see info). With --rescue MAPFILE, a map file of
read --rescue of this drive, its bad sectors and those not tried yet are
drawn over them. A cell shows the most telling of its sectors (bad, not
tried, out of reach, boot area, FATs, root folder, clusters, used, free); a
legend under the grid names each colour it uses. At most 65536 cells, 256 a
row.

Options:
  -o, --output FILE
                the picture, .png or .bmp
  --rescue MAPFILE
                draw the bad and untried sectors of MAPFILE
  --drive, --platform, --trace (see zelvan --help)

Example:
  zelvan --drive A=floppy.img:removable map A -o floppy.png
  zelvan --drive C=disk.img map C -o disk.png --rescue disk-copy.map
)";

constexpr std::string_view demoHelp = R"(Makes four images in a temporary folder, a 1.44 MB floppy, a 64 MB FAT16
disk and a sparse 5 GiB FAT32 disk with mkfs.fat and a 64 MB NTFS volume with
mkntfs, maps them to A:, C:, E: and D: of the hosted machine, and shows in
eight short sections what the component does: C:'s geometry and size bound,
its boot sector read on the three roads (NT and both Windows 95 roads), a
confirmed write and its read-back, a declined write, runs that reach the size
bound refused, A:'s boot sector read by cylinder/head/sector, a sector of E:
beyond 4 GiB written and read on NT, and D: measured and read on NT and
refused on Windows 98. The folder is removed afterwards. Needs mkfs.fat
(dosfstools) and mkntfs (ntfs-3g).

Example:
  zelvan demo
)";

constexpr CommandRow commandRows[] = {
    {"info", "LETTER", infoHelp, RunInfo},
    {"read", "LETTER FIRST COUNT [-o FILE [--rescue MAPFILE]] [--offsets run|volume]", readHelp, RunRead},
    {"write", "LETTER FIRST COUNT -i FILE", writeHelp, RunWrite},
    {"floppy-read", "LETTER FORMAT FIRST COUNT [-o FILE [--rescue MAPFILE]] [--offsets run|volume] [--force] [--drive-name L]",
     floppyReadHelp,
     RunRead},
    {"floppy-write", "LETTER FORMAT FIRST COUNT -i FILE [--force] [--drive-name L]", floppyWriteHelp, RunWrite},
    {"map", "LETTER -o FILE [--rescue MAPFILE]", mapHelp, RunMap},
    {"demo", "", demoHelp, RunDemo},
};

std::string UsageOf(const CommandRow& row) {
    std::string usage = TakesOptions(row) ? "zelvan [OPTIONS] " : "zelvan ";
    usage += row.name;
    if (!row.operands.empty()) usage += " " + std::string(row.operands);
    return usage;
}

} // namespace

std::span<const CommandRow> Commands() { return commandRows; }

bool TakesOptions(const CommandRow& row) { return !tools::OperandNames(row.operands).empty(); }

std::string HelpText(const CommandRow* command) {
    if (command) return "Usage: " + UsageOf(*command) + "\n\n" + std::string(command->help);
    std::string text = "Usage:\n";
    for (const CommandRow& row : commandRows) text += "  " + UsageOf(row) + "\n";
    return text + std::string(overviewHelp);
}

} // namespace zelvan_cli
