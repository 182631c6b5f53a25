// zelvan map: each sector's cell is coloured by what the sector holds, as
// mtools reads the floppy's layout and the clusters of its file, with a
// rescue map's bad and untried sectors over them, and a legend of the
// colours used.
#include <gtest/gtest.h>
#include <png.h>
#include <regex>
#include <tuple>

#include "zelvan/map_picture.h"

#include "zelvan_run.h"

namespace tools_test {
namespace {

namespace fs = std::filesystem;
using zelvan_cli::SectorKind;

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    zelvan_cli::Rgb At(unsigned x, unsigned y) const {
        const std::size_t at = (std::size_t{y} * width + x) * 3;
        return {rgb[at], rgb[at + 1], rgb[at + 2]};
    }
};

Picture ReadPng(const fs::path& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, file.string().c_str())) throw std::runtime_error(image.message);
    image.format = PNG_FORMAT_RGB;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) throw std::runtime_error(image.message);
    return picture;
}

// The clusters mshowfat lists for a file: "::/f.bin <2-587> <600>".
std::vector<std::pair<unsigned, unsigned>> FileClusters(const fs::path& image, const std::string& name) {
    const std::string listing = testsupport::RunOk("mshowfat -i " + Quote(image) + " ::" + name);
    std::vector<std::pair<unsigned, unsigned>> runs;
    const std::regex run(R"(<(\d+)(?:-(\d+))?>)");
    for (auto it = std::sregex_iterator(listing.begin(), listing.end(), run); it != std::sregex_iterator(); ++it)
        runs.emplace_back(std::stoul((*it)[1]), std::stoul((*it)[2].matched ? (*it)[2].str() : (*it)[1].str()));
    return runs;
}

// minfo's "name=value" fields: rootCluster=2.
std::string Assigned(const std::string& info, const std::string& name) {
    std::smatch match;
    return std::regex_search(info, match, std::regex(name + "=\"?([^\"\n]*)")) ? match[1].str() : "";
}

// What each sector of a FAT image holds, as mtools tells, with the file
// `name` in it.
std::vector<SectorKind> SectorsOf(const fs::path& image, const std::string& name) {
    const std::string info = testsupport::RunOk("minfo -i " + Quote(image) + " ::");
    const FatGeometry geometry = ReadGeometry(image);
    const unsigned reserved = geometry.reservedSectors, fatsEnd = reserved + 2 * geometry.sectorsPerFat;
    std::vector<SectorKind> sectors(geometry.totalSectors, SectorKind::Free);
    for (unsigned sector = 0; sector < geometry.firstDataSector; ++sector)
        sectors[sector] = sector < reserved ? SectorKind::Boot : sector < fatsEnd ? SectorKind::Fat : SectorKind::Root;
    const auto use = [&](unsigned cluster) {
        for (unsigned i = 0; i < geometry.sectorsPerCluster; ++i)
            sectors[geometry.firstDataSector + (cluster - 2) * geometry.sectorsPerCluster + i] = SectorKind::Used;
    };
    if (Assigned(info, "disk type") == "FAT32   ") use(std::stoul(Assigned(info, "rootCluster")));
    for (const auto& [first, last] : FileClusters(image, name))
        for (unsigned cluster = first; cluster <= last; ++cluster) use(cluster);
    for (unsigned sector = geometry.SizeBound() - 1; sector < geometry.totalSectors; ++sector)
        sectors[sector] = SectorKind::OutOfReach;
    return sectors;
}

// The picture's cells hold `sectors`, `perCell` each, each cell the last
// kind of its sectors; one legend line for each kind drawn, in the table's
// order, and nothing under them.
void ExpectMap(const Picture& picture, const std::vector<SectorKind>& sectors, unsigned perCell) {
    using zelvan_cli::cellPixels;
    using zelvan_cli::mapMargin;
    std::vector<SectorKind> cells((sectors.size() + perCell - 1) / perCell, SectorKind::Free);
    for (std::size_t sector = 0; sector < sectors.size(); ++sector)
        cells[sector / perCell] = std::max(cells[sector / perCell], sectors[sector]);
    const unsigned gridTop = 26, rows = static_cast<unsigned>((cells.size() + 255) / 256);
    ASSERT_EQ(picture.width, 2 * mapMargin + 256 * cellPixels);
    for (unsigned cell = 0; cell < cells.size(); ++cell)
        ASSERT_EQ(picture.At(mapMargin + cell % 256 * cellPixels + 1, gridTop + cell / 256 * cellPixels + 1),
                  zelvan_cli::RowOf(cells[cell]).rgb)
            << "cell " << cell;
    std::vector<zelvan_cli::Rgb> legend;
    for (const auto& row : zelvan_cli::SectorKinds())
        if (std::find(cells.begin(), cells.end(), row.kind) != cells.end()) legend.push_back(row.rgb);
    legend.push_back({255, 255, 255});
    std::vector<zelvan_cli::Rgb> swatches;
    for (unsigned y = gridTop + rows * cellPixels + mapMargin + 1; y < picture.height && swatches.size() < legend.size();
         y += 18)
        swatches.push_back(picture.At(mapMargin + 1, y));
    swatches.resize(legend.size(), {255, 255, 255});
    EXPECT_EQ(swatches, legend);
}

TEST(ZelvanMap, EachSectorIsColouredByWhatItHoldsAndTheLegendNamesTheColoursUsed) {
    const Images images;
    const fs::path file = images.dir() / "data.bin";
    testsupport::WriteFile(file, testsupport::Pattern(300000, 3));
    const fs::path fat32 = testsupport::MakeFatImage(images.dir(), "fat32.img", 40960, "-F 32");
    for (const fs::path& image : {images.floppy(), images.disk(), fat32})
        testsupport::RunOk("MTOOLS_SKIP_CHECK=1 mcopy -i " + Quote(image) + " " + Quote(file) + " ::data.bin");
    const std::string drives = images.Drives() + " --drive D=" + Quote(fat32);
    const fs::path output = images.dir() / "map.png";

    const fs::path rescue = images.dir() / "copy.map";
    const std::string text = "0x0 +\n0x0 0x57800 +\n0x57800 0x200 -\n0x57A00 0x7000 +\n0x5EA00 0x1400 ?\n";
    testsupport::WriteFile(rescue, testsupport::Bytes(text.begin(), text.end())); // 700 bad, 757 to 766 untried
    std::vector<SectorKind> floppy = SectorsOf(images.floppy(), "data.bin");
    floppy[700] = SectorKind::Bad;
    for (unsigned sector = 757; sector <= 766; ++sector) floppy[sector] = SectorKind::Untried;
    const ToolResult result = RunZelvan(drives + " map A -o " + Quote(output) + " --rescue " + Quote(rescue));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, output.string() + ": 2880 sectors of A:, 1 sector a cell, 256 cells a row\n");
    ExpectMap(ReadPng(output), floppy, 1);

    for (const auto& [letter, image, perCell] : {std::tuple{'C', images.disk(), 1u}, std::tuple{'D', fat32, 2u}}) {
        SCOPED_TRACE(image.string());
        ASSERT_EQ(RunZelvan(drives + " map " + std::string{letter} + " -o " + Quote(output)).status, 0);
        ExpectMap(ReadPng(output), SectorsOf(image, "data.bin"), perCell);
    }
}

TEST(ZelvanMap, APictureNeedsAPictureFileAndAMapThatExists) {
    const Images images;
    const ToolResult text = RunZelvan(images.Drives() + " map A -o " + Quote(images.dir() / "map.txt"));
    EXPECT_EQ(text.status, 2);
    EXPECT_NE(text.err.find("a picture is written as .bmp or .png"), std::string::npos) << text.err;
    ExpectFailure(RunZelvan(images.Drives() + " map A -o " + Quote(images.dir() / "map.png") + " --rescue " +
                            Quote(images.dir() / "none.map")),
                  {"none.map: it does not exist"});
    EXPECT_FALSE(fs::exists(images.dir() / "map.png"));
}

} // namespace
} // namespace tools_test
