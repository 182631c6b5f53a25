// What the hosted suites share: scratch folders, images made by the
// platform's own tools, and the output of those tools.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "bytes.h"

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct CommandResult {
    int status;
    std::string output; // standard output and standard error together
};
// Runs a shell command line and collects what it prints.
CommandResult Run(const std::string& command);
// Runs it and fails the calling test (by exception) unless it exits 0.
std::string RunOk(const std::string& command);
// The instructions that the program of the command line `command` (its
// first word) executes, counted by valgrind's cachegrind: a measure of the
// work done that no other load on the machine changes. nullopt under the
// sanitizers, whose programs valgrind cannot run.
std::optional<std::uint64_t> InstructionsOf(const std::string& command);
// A shell prefix for a program that a fault would make read without end:
// it is stopped after `seconds` (exit 124), and its memory is bounded to
// 1 GB (unless the sanitizers, whose shadow memory needs more, are in).
std::string Bounded(unsigned seconds);

// mkfs.fat on a new image file of `kib` KiB; `options` goes to mkfs.fat as is
// (e.g. "-F 16"). Returns the image's path.
std::filesystem::path MakeFatImage(const TempDir& dir, const std::string& name, unsigned kib,
                                   const std::string& options);

// `count` bytes at `offset` of the file, as dd reads them.
Bytes DdRead(const std::filesystem::path& path, std::uint64_t offset, std::uint64_t count);
// `bytes` written over the file from byte `offset` in place, by dd: as
// another program changes an image.
void DdPatch(const std::filesystem::path& path, std::uint64_t offset, const Bytes& bytes);
// The figures dosfstools reports for a FAT image (fsck.fat -n -v).
struct FatFigures {
    unsigned bytesPerSector;
    unsigned sectorsPerCluster;
    std::uint32_t dataClusters;
    std::uint32_t usedClusters;
};
FatFigures FsckFigures(const std::filesystem::path& image);
// The free bytes mtools reports for a FAT image (mdir).
std::uint64_t MdirFreeBytes(const std::filesystem::path& image);

// A sparse image of `mib` MiB formatted by mkntfs (quick) or mkfs.exfat, with
// `options` passed on as they are (e.g. "-c 4096"). Returns the image's path.
std::filesystem::path MakeNtfsImage(const TempDir& dir, const std::string& name, std::uint64_t mib,
                                    const std::string& options);
std::filesystem::path MakeExfatImage(const TempDir& dir, const std::string& name, std::uint64_t mib,
                                     const std::string& options);
// The figures of an NTFS or exFAT volume as its own tools report them:
// ntfsinfo -m and dump.exfat.
struct VolumeFigures {
    unsigned bytesPerSector;
    unsigned sectorsPerCluster;
    std::uint32_t totalClusters;
    std::uint32_t freeClusters;
    bool operator==(const VolumeFigures&) const = default;
};
std::ostream& operator<<(std::ostream& out, const VolumeFigures& figures);
VolumeFigures NtfsinfoFigures(const std::filesystem::path& image);
VolumeFigures DumpExfatFigures(const std::filesystem::path& image);
// An NTFS or exFAT volume for a parameterised test: NAME.img, made and
// measured by the file system's own tools.
struct TodaysVolume {
    const char* name;
    bool ntfs;
    std::uint64_t mib;
    const char* options;
};
// Its name, for the messages of a failed test.
std::ostream& operator<<(std::ostream& out, const TodaysVolume& volume);
std::filesystem::path MakeVolume(const TempDir& dir, const TodaysVolume& volume);
VolumeFigures ToolFigures(const TodaysVolume& volume, const std::filesystem::path& image);

// A disk image of 33 MiB whose master boot record sfdisk writes with two
// partitions: the first, active, of type 0Eh (FAT16), holds a FAT16 volume
// made by mkfs.fat; the second, of type 83h (Linux), holds zeros.
struct DiskPartition {
    std::uint32_t firstSector;
    std::uint32_t sectors;
    std::uint64_t Offset() const { return std::uint64_t{firstSector} * 512; }
    std::uint64_t Bytes() const { return std::uint64_t{sectors} * 512; }
};
constexpr DiskPartition partitionedFat{2048, 32768};
constexpr DiskPartition partitionedLinux{34816, 32768};
std::filesystem::path MakePartitionedImage(const TempDir& dir, const std::string& name);

// A standard floppy image of `kib` KiB (160 to 2880) made by mformat, and
// the geometry mtools reports for an image (minfo).
std::filesystem::path MakeFloppyImage(const TempDir& dir, const std::string& name, unsigned kib);
struct DiskGeometry {
    unsigned cylinders;
    unsigned heads;
    unsigned sectorsPerTrack;
};
DiskGeometry MinfoGeometry(const std::filesystem::path& image);

// The locale of messages (LC_ALL, LC_MESSAGES, LANG) unset while this
// lives, and as it was afterwards.
class MessagesLocaleCleared {
public:
    MessagesLocaleCleared();
    ~MessagesLocaleCleared();
    MessagesLocaleCleared(const MessagesLocaleCleared&) = delete;
    MessagesLocaleCleared& operator=(const MessagesLocaleCleared&) = delete;

private:
    std::vector<std::optional<std::string>> saved_;
};

} // namespace testsupport
