#include "zelvan/demo.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/outcome.h"
#include "orvane/orvane.h"
#include "zelvan/child_process.h"
#include "zelvan/drive_facts.h"
#include "zelvan/hexdump.h"
#include "zelvan/machine_setup.h"
#include "zelvan/selection.h"

namespace zelvan_cli {

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view indent = "   ";

// A folder of the demo's own under the temporary folder, removed with its contents.
class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = fs::temp_directory_path() / ("zelvan-demo-" + std::to_string(random()));
            if (fs::create_directory(path_)) return;
        }
        throw tools::Failure("cannot make a folder in " + fs::temp_directory_path().string());
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Runs the program that formats `image`; `package` provides it.
void Format(const std::vector<std::string>& arguments, const fs::path& image, const std::string& package,
            ProgramErrors errors = ProgramErrors::Shown) {
    const std::optional<int> status = RunProgram(arguments, errors);
    if (!status)
        throw tools::Failure("the demo makes its disk images with " + arguments[0] + ", which was not found (install " +
                             package + ")");
    if (*status != 0)
        throw tools::Failure(arguments[0] + " could not make " + image.string() + " (exit status " +
                             std::to_string(*status) + ")");
}

fs::path MakeFatImage(const fs::path& folder, const std::string& name, std::uint64_t kib, const std::string& fatBits) {
    const fs::path image = folder / name;
    Format({"mkfs.fat", "-C", "-F", fatBits, image.string(), std::to_string(kib)}, image, "dosfstools");
    return image;
}

// mkntfs's quick format on a sparse image; what it says of an image that is
// no block device is not shown.
fs::path MakeNtfsImage(const fs::path& folder, const std::string& name, std::uint64_t mib) {
    const fs::path image = folder / name;
    std::ofstream(image, std::ios::binary).close();
    fs::resize_file(image, mib << 20);
    Format({"mkntfs", "-F", "-Q", "-q", image.string()}, image, "ntfs-3g", ProgramErrors::Discarded);
    return image;
}

// `count` bytes of a file from byte `offset`, read past the component.
Bytes FileBytes(const fs::path& path, std::uint64_t offset, std::size_t count) {
    Bytes bytes(count);
    std::ifstream in(path, std::ios::binary);
    if (!in.seekg(static_cast<std::streamoff>(offset)) ||
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count)))
        throw tools::Failure("cannot read " + path.string());
    return bytes;
}

// The first two lines of a sector's hex dump and its last one.
void ShowSector(std::ostream& out, const Bytes& sector) {
    std::ostringstream text;
    HexDump dump(text);
    dump.Write(sector);
    dump.Finish();
    std::vector<std::string> lines;
    std::istringstream split(text.str());
    for (std::string line; std::getline(split, line);) lines.push_back(line);
    lines.pop_back(); // the total length
    if (lines.size() > 3) {
        std::string last = std::move(lines.back());
        lines.resize(2);
        lines.push_back("...");
        lines.push_back(std::move(last));
    }
    for (const std::string& line : lines) out << indent << line << '\n';
}

std::string Verdict(bool result) { return result ? "true" : "false"; }

struct DemoImages {
    fs::path floppy; // A:
    fs::path disk;   // C:
    fs::path ntfs;   // D:
    fs::path large;  // E:
};

class Demo {
public:
    Demo(std::ostream& out, const DemoImages& images)
        : out_(out), floppy_(images.floppy), disk_(images.disk), ntfs_(images.ntfs), large_(images.large) {}

    void Run() {
        out_ << "zelvan demo: the TZelvan component on a hosted PC\n"
             << indent << "A: " << floppy_.filename().string() << " (1.44 MB floppy, removable), C: "
             << disk_.filename().string() << " (64 MB FAT16), D: " << ntfs_.filename().string() << " (64 MB NTFS), E: "
             << large_.filename().string() << " (5 GiB FAT32, sparse)\n"
             << indent << "made by mkfs.fat and mkntfs in " << floppy_.parent_path().string() << "\n";
        Geometry();
        BootSectorOnThreeRoads();
        const std::uint32_t sector = diskBound_ / 2;
        const Bytes written = ConfirmedWrite(sector);
        DeclinedWrite(sector, written);
        RefusedRuns();
        FloppyBootSector();
        BeyondFourGiB();
        NtfsBootSector();
        out_ << "\nDone; the temporary folder and its images are removed.\n";
    }

private:
    void Section(int number, std::string_view title) { out_ << '\n' << number << ". " << title << '\n'; }

    // A component created on `platform`, with drive `letter` selected: the
    // component reads the platform when it is created.
    std::unique_ptr<Orvane::TZelvan> On(std::string_view platform, char letter, DriveFacts& drive) {
        machine::UsePlatform(platform);
        auto zelvan = std::make_unique<Orvane::TZelvan>(nullptr);
        drive = SelectDrive(*zelvan, letter);
        return zelvan;
    }

    Bytes ReadSector(Orvane::TZelvan& zelvan, const DriveFacts& drive, std::uint32_t sector, std::string_view what) {
        SelectRun(zelvan, drive, sector, 1);
        Bytes bytes(drive.geometry.BytesPerSector);
        if (!zelvan.ReadSectors(bytes.data(), static_cast<int>(bytes.size()) - 1))
            throw tools::Failure("demo: ReadSectors returned false for " + std::string(what));
        return bytes;
    }

    void Geometry() {
        Section(1, "Drive C: as the component measures it (DriveName := 'C')");
        DriveFacts drive;
        On("nt", 'C', drive);
        diskBound_ = drive.SizeBound();
        WriteDriveReport(out_, drive, QueryPlatform(), indent);
    }

    void BootSectorOnThreeRoads() {
        Section(2, "C:'s boot sector on the three roads (FirstSector 0, Sectors 1, ReadSectors)");
        Bytes first;
        for (std::string_view platform : {"nt", "95", "98"}) {
            DriveFacts drive;
            const auto zelvan = On(platform, 'C', drive);
            const Bytes sector = ReadSector(*zelvan, drive, 0, "C:'s boot sector on " + std::string(platform));
            const PlatformFacts facts = QueryPlatform();
            out_ << indent << platform << ": " << PlatformName(facts) << "\n"
                 << indent << "    " << RoadDescription(facts.road, 'C') << "  ->  true";
            if (first.empty()) first = sector;
            else if (sector == first) out_ << ", the same bytes";
            else throw tools::Failure("demo: the " + std::string(platform) + " road read other bytes than the NT road");
            out_ << '\n';
        }
        ShowSector(out_, first);
    }

    Bytes ConfirmedWrite(std::uint32_t sector) {
        Section(3, "A confirmed write of sector " + std::to_string(sector) + " of C: (the answer is Yes)");
        DriveFacts drive;
        const auto zelvan = On("nt", 'C', drive);
        const std::string text = "Written by zelvan demo through WriteSectors, after the answer Yes. ";
        Bytes bytes(drive.geometry.BytesPerSector);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(text[i % text.size()]);
        SelectRun(*zelvan, drive, sector, 1);
        machine::SetAnswer(true);
        const bool written = zelvan->WriteSectors(bytes.data(), static_cast<int>(bytes.size()) - 1);
        ShowConfirmation();
        out_ << indent << "WriteSectors  ->  " << Verdict(written) << '\n';
        if (!written) throw tools::Failure("demo: the confirmed write returned false");
        const bool same = ReadSector(*zelvan, drive, sector, "the written sector") == bytes;
        out_ << indent << "ReadSectors   ->  true, " << (same ? "the bytes just written" : "OTHER BYTES") << '\n';
        if (!same) throw tools::Failure("demo: the sector read back differs from the one written");
        ShowSector(out_, bytes);
        return bytes;
    }

    void DeclinedWrite(std::uint32_t sector, const Bytes& before) {
        Section(4, "A declined write of the same sector (the answer is No)");
        DriveFacts drive;
        const auto zelvan = On("nt", 'C', drive);
        const Bytes zeros(drive.geometry.BytesPerSector, 0);
        SelectRun(*zelvan, drive, sector, 1);
        machine::SetAnswer(false);
        const bool written = zelvan->WriteSectors(zeros.data(), static_cast<int>(zeros.size()) - 1);
        ShowConfirmation();
        const bool kept = ReadSector(*zelvan, drive, sector, "the sector after the declined write") == before;
        out_ << indent << "WriteSectors  ->  " << Verdict(written) << "; the sector "
             << (kept ? "still holds the bytes of step 3" : "CHANGED") << '\n';
        if (written || !kept) throw tools::Failure("demo: the declined write was carried out");
    }

    void ShowConfirmation() {
        if (const auto shown = machine::LastConfirmation()) {
            std::string text = shown->text;
            std::replace(text.begin(), text.end(), '\r', ' ');
            out_ << indent << "MessageBoxA \"" << shown->caption << "\": \"" << text << "\"  ->  "
                 << (shown->declined ? "No" : "Yes") << '\n';
        }
    }

    void RefusedRuns() {
        Section(5, "Runs that reach the size bound B = " + std::to_string(diskBound_) + " are refused");
        DriveFacts drive;
        const auto zelvan = On("nt", 'C', drive);
        const std::uint32_t bound = drive.SizeBound();
        Refused(*zelvan, drive, bound, 1, "FirstSector := " + std::to_string(bound));
        Refused(*zelvan, drive, bound - 10, 10,
                "FirstSector := " + std::to_string(bound - 10) + ", Sectors := 10");
    }

    void Refused(Orvane::TZelvan& zelvan, const DriveFacts& drive, std::uint32_t first, std::uint32_t count,
                 const std::string& what) {
        try {
            SelectRun(zelvan, drive, first, count);
        } catch (const tools::Failure& refusal) {
            out_ << indent << what << "\n" << indent << "    " << refusal.what() << '\n';
            return;
        }
        throw tools::Failure("demo: the component took " + what);
    }

    void FloppyBootSector() {
        Section(6, "A:'s boot sector by cylinder, head and sector (ReadFloppySectors, format 1440)");
        const Bytes image = FileBytes(floppy_, 0, 512);
        Bytes first;
        for (std::string_view platform : {"95", "nt"}) {
            DriveFacts drive;
            const auto zelvan = On(platform, 'A', drive);
            SelectRun(*zelvan, drive, 0, 1);
            Bytes sector(512);
            const bool read = zelvan->ReadFloppySectors('A', sector.data(), 511, Orvane::D1440);
            out_ << indent << platform << ": "
                 << (platform == "95" ? "sector 0 = cylinder 0, head 0, sector 1: one INT 13h request"
                                      : "the raw volume \\\\.\\A:, bytes 0 to 511")
                 << "  ->  " << Verdict(read) << '\n';
            if (!read) throw tools::Failure("demo: ReadFloppySectors returned false on " + std::string(platform));
            if (first.empty()) first = sector;
            else if (sector != first) throw tools::Failure("demo: the two floppy roads read different bytes");
        }
        if (first != image) throw tools::Failure("demo: the floppy's boot sector differs from the image file");
        out_ << indent << "both reads are identical, and equal to the first 512 bytes of "
             << floppy_.filename().string() << '\n';
        ShowSector(out_, first);
    }

    void BeyondFourGiB() {
        constexpr std::uint32_t sector = 10000000;
        Section(7, "Sector " + std::to_string(sector) + " of E:, beyond 4 GiB, on NT (WriteSectors, ReadSectors)");
        DriveFacts drive;
        const auto zelvan = On("nt", 'E', drive);
        const std::uint32_t bytesPerSector = drive.geometry.BytesPerSector;
        const std::uint64_t offset = std::uint64_t{sector} * bytesPerSector;
        out_ << indent << "FirstSector " << sector << " x " << bytesPerSector << " bytes = byte " << offset
             << ": SetFilePointer's low part " << (offset & 0xFFFFFFFFu) << ", high part " << (offset >> 32) << '\n';
        const std::string text = "Written by zelvan demo beyond 4 GiB. ";
        Bytes bytes(bytesPerSector);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(text[i % text.size()]);
        zelvan->SetNeedWriteWarn(false);
        SelectRun(*zelvan, drive, sector, 1);
        if (!zelvan->WriteSectors(bytes.data(), static_cast<int>(bytes.size()) - 1))
            throw tools::Failure("demo: WriteSectors returned false beyond 4 GiB");
        const bool same = ReadSector(*zelvan, drive, sector, "the sector beyond 4 GiB") == bytes &&
                          FileBytes(large_, offset, bytesPerSector) == bytes;
        out_ << indent << "WriteSectors  ->  true; ReadSectors  ->  true, "
             << (same ? "the bytes just written, which " + large_.filename().string() + " holds at that byte"
                      : std::string("OTHER BYTES"))
             << '\n';
        if (!same) throw tools::Failure("demo: the sector beyond 4 GiB was not written in place");
        ShowSector(out_, bytes);
    }

    void NtfsBootSector() {
        Section(8, "D:, an NTFS volume: measured and its boot sector read on NT, refused on Windows 98");
        DriveFacts drive;
        const auto zelvan = On("nt", 'D', drive);
        const Orvane::TDiskGeometry& figures = drive.geometry;
        out_ << indent << "GetDiskFreeSpaceA: " << figures.BytesPerSector << " bytes per sector, "
             << figures.SectorsPerCluster << " sectors per cluster, " << figures.TotalClusters << " clusters, "
             << figures.FreeClusters << " free (as ntfsinfo -m reports them)\n";
        const Bytes sector = ReadSector(*zelvan, drive, 0, "D:'s boot sector");
        if (sector != FileBytes(ntfs_, 0, sector.size()))
            throw tools::Failure("demo: the NTFS boot sector differs from the image file");
        out_ << indent << "ReadSectors of sector 0  ->  true, the image's first " << sector.size()
             << " bytes (\"NTFS    \" from byte 3)\n";
        ShowSector(out_, sector);
        machine::UsePlatform("98");
        Orvane::TZelvan on98(nullptr);
        try {
            SelectDrive(on98, 'D');
        } catch (const tools::Failure& refusal) {
            out_ << indent << "98: " << refusal.what() << '\n';
            return;
        }
        throw tools::Failure("demo: Windows 98 measured an NTFS volume");
    }

    std::ostream& out_;
    fs::path floppy_;
    fs::path disk_;
    fs::path ntfs_;
    fs::path large_;
    std::uint32_t diskBound_ = 0;
};

} // namespace

void RunDemo(const Invocation&) {
    machine::RequireHosted("demo");
    const ScratchFolder folder;
    const DemoImages images{MakeFatImage(folder.path(), "floppy.img", 1440, "12"),
                            MakeFatImage(folder.path(), "disk.img", 64 * 1024, "16"),
                            MakeNtfsImage(folder.path(), "ntfs.img", 64),
                            MakeFatImage(folder.path(), "large.img", 5 * 1024 * 1024, "32")};
    machine::MapDrive('A', images.floppy, true);
    machine::MapDrive('C', images.disk, false);
    machine::MapDrive('D', images.ntfs, false);
    machine::MapDrive('E', images.large, false);
    Demo(std::cout, images).Run();
}

} // namespace zelvan_cli
