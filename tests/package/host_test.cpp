// The design-time host of this build, run as a user runs it: install shows
// the palette and the package, palette writes the pictures, exports lists
// the names; the other build's package and bad use are refused.
#include <png.h>
#include <regex>
#include <set>
#include <sstream>

#include "expected_resources.h"
#include "package_fixture.h"

namespace packagetest {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

// The palette picture as red, green, blue rows, top first, read from the
// package's 4-bit bitmap.
Bytes PictureOfThePackage() {
    const Bytes dib = FileResource(PackageFile(), "TZELVAN", RT_BITMAP);
    Bytes rgb;
    for (int y = 23; y >= 0; --y) {
        for (int x = 0; x < 24; ++x) {
            const unsigned char pair = dib[104 + static_cast<std::size_t>(y * 12 + x / 2)];
            const std::size_t colour = 40 + 4 * static_cast<std::size_t>(x % 2 ? pair & 0x0F : pair >> 4);
            rgb.insert(rgb.end(), {dib[colour + 2], dib[colour + 1], dib[colour]});
        }
    }
    return rgb;
}

using HostTest = PackageTest;

TEST_F(HostTest, InstallShowsThePaletteAndThePackage) {
    const testsupport::CommandResult shown = Host("install " + Quoted(PackageFile()));
    ASSERT_EQ(shown.status, 0) << shown.output;
    const bool vcl30 = runtimeName == std::string("vcl30");
    EXPECT_EQ(shown.output,
              PackageFile().string() + "\n" +
                  "  description  Kesmet TZelvan Component\n"
                  "  requires     " + runtimeName + "\n"
                  "  contains     ZelvanPack (main unit, package unit), SysInit, Orvane\n"
                  "  flags        " + (vcl30 ? "0x40000001: never-build, design-time and run-time, producer 0 (older than the producer field), package\n"
                                           : "0x4C000001: never-build, design-time and run-time, producer 3, package\n") +
                  "palette\n"
                  "  Kesmet       TZelvan (picture TZELVAN, 24 x 24)\n");
}

TEST_F(HostTest, TheOtherBuildsPackageIsRefusedWithTheLoadersMessage) {
    const testsupport::CommandResult refused = Host("install " + Quoted(OtherPackageFile()));
    EXPECT_EQ(refused.status, 1);
    const std::string other = runtimeName == std::string("vcl40") ? "vcl30" : "vcl40";
    EXPECT_EQ(refused.output, std::string(hostName) + ": Cannot load package '" + OtherPackageFile().string() +
                                  "': it requires the package " + other + ", which is not loaded here: this host runs on " +
                                  runtimeName + "\n");
}

TEST_F(HostTest, PaletteWritesThePicturesAsBmpAndPng) {
    const Bytes expected = PictureOfThePackage();
    const testsupport::CommandResult bmp = Host("palette " + Quoted(PackageFile()) + " --bitmap " + Quoted(dir / "p.bmp"));
    ASSERT_EQ(bmp.status, 0) << bmp.output;
    EXPECT_EQ(bmp.output, PackageFile().string() + "\n" + (dir / "p.bmp").string() + ": 24 x 24: TZelvan\n");
    const Bytes file = testsupport::ReadFile(dir / "p.bmp");
    ASSERT_EQ(file.size(), 54u + 24 * 72);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(file[18], 24);                     // width
    EXPECT_EQ(file[22], 24);                     // height, bottom-up
    EXPECT_EQ(file[28], 24);                     // bits a pixel
    Bytes rows;
    for (int y = 23; y >= 0; --y)
        for (int x = 0; x < 24; ++x) {
            const std::size_t at = 54 + static_cast<std::size_t>(y * 72 + x * 3);
            rows.insert(rows.end(), {file[at + 2], file[at + 1], file[at]});
        }
    EXPECT_EQ(rows, expected);

    // The grammar zelvan takes: --option=VALUE as well as --option VALUE.
    const testsupport::CommandResult png = Host("palette " + Quoted(PackageFile()) + " --bitmap=" + Quoted(dir / "p.png"));
    ASSERT_EQ(png.status, 0) << png.output;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir / "p.png").c_str()));
    image.format = PNG_FORMAT_RGB;
    Bytes decoded(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, decoded.data(), 0, nullptr));
    EXPECT_EQ(image.width, 24u);
    EXPECT_EQ(image.height, 24u);
    EXPECT_EQ(decoded, expected);
}

TEST_F(HostTest, VersionNamesTheHostAndTheProject) {
    for (const char* asked : {"--version", "-V", "palette --version"}) {
        const testsupport::CommandResult result = Host(asked);
        EXPECT_EQ(result.status, 0) << asked;
        EXPECT_EQ(result.output, std::string(hostName) + " " + ZELVAN_VERSION + "\n") << asked;
    }
}

TEST_F(HostTest, BadUseAndBadPackagesAreRefused) {
    const std::string package = Quoted(PackageFile());
    const std::pair<std::string, std::pair<int, std::string>> cases[] = {
        {"palette " + package, {2, "palette needs --bitmap FILE (see " + std::string(hostName) + " --help)"}},
        {"palette " + package + " --bitmap", {2, "--bitmap needs FILE (see " + std::string(hostName) + " --help)"}},
        {"palette " + package + " --bitmap a.png --bitmap b.png",
         {2, "--bitmap is given twice (see " + std::string(hostName) + " --help)"}},
        {"palette " + package + " --bitmap p.gif",
         {2, "a picture is written as .bmp or .png, not as 'p.gif' (see " + std::string(hostName) + " --help)"}},
        {"install " + Quoted(dir / "Missing.bpl"), {1, (dir / "Missing.bpl").string() + ": cannot read: No such file or directory"}},
        {"exports " + Quoted(dir / "Missing.bpl"), {1, (dir / "Missing.bpl").string() + ": cannot read: No such file or directory"}},
        {"exports --Missing.bpl", {2, "unknown option '--Missing.bpl' (see " + std::string(hostName) + " --help)"}},
        {"exports -- " + Quoted(dir / "--Missing.bpl"),
         {1, (dir / "--Missing.bpl").string() + ": cannot read: No such file or directory"}},
        {"--version=2", {2, "--version takes no value (see " + std::string(hostName) + " --help)"}},
    };
    for (const auto& [arguments, outcome] : cases) {
        const testsupport::CommandResult result = Host(arguments);
        EXPECT_EQ(result.status, outcome.first) << arguments;
        EXPECT_EQ(result.output, std::string(hostName) + ": " + outcome.second + "\n") << arguments;
    }
    // Any bytes: a message, never a crash.
    const Bytes module = testsupport::ReadFile(PackageFile());
    for (std::size_t cut : {std::size_t{3}, std::size_t{64}, module.size() / 2, module.size() - 1}) {
        testsupport::WriteFile(dir / "Cut.bpl", Bytes(module.begin(), module.begin() + static_cast<std::ptrdiff_t>(cut)));
        const testsupport::CommandResult result = Host("exports " + Quoted(dir / "Cut.bpl"));
        EXPECT_TRUE(result.status == 0 || result.status == 1) << cut << ": " << result.output;
        if (result.status == 1) {
            EXPECT_EQ(result.output.rfind(std::string(hostName) + ": " + (dir / "Cut.bpl").string() + ": ", 0), 0u);
        }
    }
}

TEST_F(HostTest, ExportsListsTheNamesNmShowsInTheFormAHostBindsTo) {
    const testsupport::CommandResult listed = Host("exports " + Quoted(PackageFile()));
    ASSERT_EQ(listed.status, 0) << listed.output;
    std::istringstream lines(listed.output);
    std::string file;
    std::getline(lines, file);
    EXPECT_EQ(file, PackageFile().string());
    std::set<std::string> names;
    for (std::string line; std::getline(lines, line);) names.insert(line.substr(0, line.find(' ')));
    // nm's NAME@@H1A2B3C4D is NAME@1A2B3C4D; the version nodes are no exports.
    std::set<std::string> fromNm;
    std::istringstream nm(testsupport::RunOk("nm -D --defined-only " + Quoted(PackageFile())));
    const std::regex hashed("@@H([0-9A-F]{8})$"), node("@@[A-Z]+$");
    for (std::string line; std::getline(nm, line);) {
        if (line.find(" A ") != std::string::npos) continue;
        std::string name = std::regex_replace(line.substr(line.rfind(' ') + 1), hashed, "@$1");
        fromNm.insert(std::regex_replace(name, node, ""));
    }
    EXPECT_EQ(names, fromNm);
    // The name the host binds Register by, with its declaration when it is decorated.
    const std::string registerName = zelvanpack_names::Orvane_Register;
    const std::regex registerLine("(^|\n)" + std::regex_replace(registerName, std::regex("[.]"), "[.]") +
                                  (runtimeName == std::string("vcl40") ? " +Orvane::Register\\(\\)\n" : "\n"));
    EXPECT_TRUE(std::regex_search(listed.output, registerLine)) << listed.output;
}

} // namespace
} // namespace packagetest
