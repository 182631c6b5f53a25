#include "support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <stdexcept>
#include <sys/wait.h>

namespace testsupport {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "zelvan-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

namespace {
CommandResult Capture(const std::string& line) {
    FILE* raw = popen(line.c_str(), "r");
    if (!raw) throw std::runtime_error("cannot run: " + line);
    std::string output;
    std::array<char, 4096> chunk;
    std::size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), raw)) > 0) output.append(chunk.data(), got);
    int status = pclose(raw);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}
} // namespace

CommandResult Run(const std::string& command) { return Capture(command + " 2>&1"); }

std::string RunOk(const std::string& command) {
    CommandResult result = Run(command);
    if (result.status != 0)
        throw std::runtime_error("'" + command + "' exited " + std::to_string(result.status) + ":\n" + result.output);
    return result.output;
}

std::optional<std::uint64_t> InstructionsOf(const std::string& command) {
#ifdef __SANITIZE_ADDRESS__
    (void)command;
    return std::nullopt;
#else
    const TempDir scratch;
    const fs::path log = scratch / "cachegrind.log";
    RunOk("valgrind --tool=cachegrind --cache-sim=no --cachegrind-out-file=/dev/null --log-file='" + log.string() + "' " +
          command + " >/dev/null");
    const Bytes bytes = ReadFile(log);
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t refs = text.find("I   refs:");
    if (refs == std::string::npos) throw std::runtime_error("cachegrind counted no instructions of " + command);
    std::uint64_t count = 0;
    for (std::size_t at = refs + 9; at < text.size() && text[at] != '\n'; ++at)
        if (text[at] >= '0' && text[at] <= '9') count = count * 10 + static_cast<std::uint64_t>(text[at] - '0');
    return count;
#endif
}

std::string Bounded(unsigned seconds) {
#ifdef __SANITIZE_ADDRESS__
    const std::string memory;
#else
    const std::string memory = "ulimit -v 1000000; ";
#endif
    return memory + "timeout " + std::to_string(seconds) + " ";
}

fs::path MakeFatImage(const TempDir& dir, const std::string& name, unsigned kib, const std::string& options) {
    fs::path image = dir / name;
    RunOk("mkfs.fat -C " + options + " '" + image.string() + "' " + std::to_string(kib));
    return image;
}

Bytes DdRead(const fs::path& path, std::uint64_t offset, std::uint64_t count) {
    std::string command = "dd if='" + path.string() + "' bs=65536 skip=" + std::to_string(offset) +
                          " count=" + std::to_string(count) + " iflag=skip_bytes,count_bytes status=none";
    CommandResult result = Capture(command);
    if (result.status != 0) throw std::runtime_error("dd failed on " + path.string());
    return Bytes(result.output.begin(), result.output.end());
}

void DdPatch(const fs::path& path, std::uint64_t offset, const Bytes& bytes) {
    const fs::path patch = path.string() + ".patch";
    WriteFile(patch, bytes);
    RunOk("dd if='" + patch.string() + "' of='" + path.string() + "' bs=65536 seek=" + std::to_string(offset) +
          " oflag=seek_bytes conv=notrunc status=none");
    fs::remove(patch);
}

namespace {
std::uint64_t Figure(const std::string& text, const std::string& pattern, const std::string& what) {
    std::smatch match;
    if (!std::regex_search(text, match, std::regex(pattern)))
        throw std::runtime_error("no " + what + " in the tool's output:\n" + text);
    std::string digits;
    for (char c : match[1].str())
        if (c != ' ') digits += c;
    return std::stoull(digits);
}
} // namespace

FatFigures FsckFigures(const fs::path& image) {
    std::string out = RunOk("fsck.fat -n -v '" + image.string() + "'");
    auto sector = static_cast<unsigned>(Figure(out, R"((\d+) bytes per logical sector)", "sector size"));
    auto cluster = static_cast<unsigned>(Figure(out, R"((\d+) bytes per cluster)", "cluster size"));
    return {sector, cluster / sector, static_cast<std::uint32_t>(Figure(out, R"((\d+) data clusters)", "cluster count")),
            static_cast<std::uint32_t>(Figure(out, R"(files, (\d+)/\d+ clusters)", "used clusters"))};
}

std::uint64_t MdirFreeBytes(const fs::path& image) {
    return Figure(RunOk("mdir -i '" + image.string() + "' ::"), R"(([\d ]+) bytes free)", "free bytes");
}

namespace {
fs::path HoleImage(const TempDir& dir, const std::string& name, std::uint64_t mib) {
    fs::path image = dir / name;
    RunOk("truncate -s " + std::to_string(mib) + "M '" + image.string() + "'");
    return image;
}
} // namespace

fs::path MakeNtfsImage(const TempDir& dir, const std::string& name, std::uint64_t mib, const std::string& options) {
    fs::path image = HoleImage(dir, name, mib);
    RunOk("mkntfs -F -Q -q " + options + " '" + image.string() + "'");
    return image;
}

fs::path MakeExfatImage(const TempDir& dir, const std::string& name, std::uint64_t mib, const std::string& options) {
    fs::path image = HoleImage(dir, name, mib);
    RunOk("mkfs.exfat " + options + " '" + image.string() + "'");
    return image;
}

std::ostream& operator<<(std::ostream& out, const VolumeFigures& f) {
    return out << "{" << f.bytesPerSector << " bytes per sector, " << f.sectorsPerCluster << " per cluster, "
               << f.totalClusters << " clusters, " << f.freeClusters << " free}";
}

VolumeFigures NtfsinfoFigures(const fs::path& image) {
    std::string out = RunOk("ntfsinfo -m '" + image.string() + "'");
    auto sector = static_cast<unsigned>(Figure(out, R"(Sector Size: (\d+))", "sector size"));
    auto cluster = static_cast<unsigned>(Figure(out, R"(Cluster Size: (\d+))", "cluster size"));
    return {sector, cluster / sector,
            static_cast<std::uint32_t>(Figure(out, R"(Volume Size in Clusters: (\d+))", "cluster count")),
            static_cast<std::uint32_t>(Figure(out, R"(Free Clusters: (\d+))", "free clusters"))};
}

VolumeFigures DumpExfatFigures(const fs::path& image) {
    std::string out = RunOk("dump.exfat '" + image.string() + "'");
    return {1u << Figure(out, R"(Sector Size Bits:\s+(\d+))", "sector size bits"),
            1u << Figure(out, R"(Sector per Cluster bits:\s+(\d+))", "cluster bits"),
            static_cast<std::uint32_t>(Figure(out, R"(Total Clusters:\s+(\d+))", "cluster count")),
            static_cast<std::uint32_t>(Figure(out, R"(Free Clusters:\s+(\d+))", "free clusters"))};
}

std::ostream& operator<<(std::ostream& out, const TodaysVolume& volume) {
    return out << volume.name << " (" << volume.mib << " MiB, " << volume.options << ")";
}

fs::path MakeVolume(const TempDir& dir, const TodaysVolume& volume) {
    const std::string name = std::string(volume.name) + ".img";
    return volume.ntfs ? MakeNtfsImage(dir, name, volume.mib, volume.options)
                       : MakeExfatImage(dir, name, volume.mib, volume.options);
}

VolumeFigures ToolFigures(const TodaysVolume& volume, const fs::path& image) {
    return volume.ntfs ? NtfsinfoFigures(image) : DumpExfatFigures(image);
}

fs::path MakePartitionedImage(const TempDir& dir, const std::string& name) {
    const fs::path image = dir / name;
    WriteFile(image, {});
    fs::resize_file(image, partitionedLinux.Offset() + partitionedLinux.Bytes());
    const auto line = [](const DiskPartition& partition, const std::string& rest) {
        return "start=" + std::to_string(partition.firstSector) + ", size=" + std::to_string(partition.sectors) + ", " +
               rest + "\\n";
    };
    RunOk("printf 'label: dos\\n" + line(partitionedFat, "type=e, bootable") + line(partitionedLinux, "type=83") +
          "' | sfdisk -q '" + image.string() + "'");
    RunOk("mkfs.fat -F 16 --offset " + std::to_string(partitionedFat.firstSector) + " '" + image.string() + "' " +
          std::to_string(partitionedFat.Bytes() / 1024));
    return image;
}

fs::path MakeFloppyImage(const TempDir& dir, const std::string& name, unsigned kib) {
    fs::path image = dir / name;
    RunOk("mformat -C -f " + std::to_string(kib) + " -i '" + image.string() + "' ::");
    return image;
}

DiskGeometry MinfoGeometry(const fs::path& image) {
    std::string out = RunOk("minfo -i '" + image.string() + "' ::");
    return {static_cast<unsigned>(Figure(out, R"(cylinders: (\d+))", "cylinders")),
            static_cast<unsigned>(Figure(out, R"(heads: (\d+))", "heads")),
            static_cast<unsigned>(Figure(out, R"(sectors per track: (\d+))", "sectors per track"))};
}

namespace {
constexpr const char* messagesLocale[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
} // namespace

MessagesLocaleCleared::MessagesLocaleCleared() {
    for (const char* variable : messagesLocale) {
        const char* value = std::getenv(variable);
        saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
        ::unsetenv(variable);
    }
}

MessagesLocaleCleared::~MessagesLocaleCleared() {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
        if (saved_[i]) ::setenv(messagesLocale[i], saved_[i]->c_str(), 1);
        else ::unsetenv(messagesLocale[i]);
    }
}

} // namespace testsupport
