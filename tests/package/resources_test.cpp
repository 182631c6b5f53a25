// The package's resources, byte by byte, the same in the file and in the
// loaded module.
#include <set>

#include "package_fixture.h"
#include "vcl/packageinfo.h"
#include "vcl/packages.h"

namespace packagetest {
namespace {

using testsupport::Bytes;

std::uint32_t Dword(const Bytes& bytes, std::size_t at) {
    return std::uint32_t(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
}
std::uint16_t Word(const Bytes& bytes, std::size_t at) { return std::uint16_t(bytes[at] | bytes[at + 1] << 8); }

void Append(Bytes& bytes, std::initializer_list<std::uint32_t> dwords) {
    for (std::uint32_t value : dwords)
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}
void Append(Bytes& bytes, const std::string& text) { bytes.insert(bytes.end(), text.c_str(), text.c_str() + text.size() + 1); }

using ResourcesTest = PackageTest;

TEST_F(ResourcesTest, ThePalettePictureIsA24By24FourBitBitmapWithTheStandardPalette) {
    const Bytes bitmap = FileResource(PackageFile(), "TZELVAN", RT_BITMAP);
    ASSERT_EQ(bitmap.size(), 392u);
    EXPECT_EQ(Dword(bitmap, 0), 40u);      // BITMAPINFOHEADER
    EXPECT_EQ(Dword(bitmap, 4), 24u);      // width
    EXPECT_EQ(Dword(bitmap, 8), 24u);      // height, positive: rows bottom-up
    EXPECT_EQ(Word(bitmap, 12), 1u);       // planes
    EXPECT_EQ(Word(bitmap, 14), 4u);       // bits per pixel
    EXPECT_EQ(Dword(bitmap, 16), 0u);      // BI_RGB
    EXPECT_EQ(Dword(bitmap, 20), 288u);    // bytes of pixels
    EXPECT_EQ(Dword(bitmap, 24), 3790u);   // pixels per metre, across
    EXPECT_EQ(Dword(bitmap, 28), 3800u);   // and down
    EXPECT_EQ(Dword(bitmap, 32), 0u);      // colours used
    EXPECT_EQ(Dword(bitmap, 36), 0u);      // colours important
    // The standard Windows 16 colours, as red, green, blue.
    const unsigned char palette[16][3] = {
        {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
        {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) {
        const std::size_t at = 40 + 4 * static_cast<std::size_t>(i);
        EXPECT_EQ(bitmap[at + 2], palette[i][0]) << "colour " << i;
        EXPECT_EQ(bitmap[at + 1], palette[i][1]) << "colour " << i;
        EXPECT_EQ(bitmap[at], palette[i][2]) << "colour " << i;
        EXPECT_EQ(bitmap[at + 3], 0) << "colour " << i;
    }
    // 288 bytes of pixels, two a byte: a picture, not a plain square.
    std::set<int> colours;
    for (std::size_t at = 104; at < bitmap.size(); ++at) {
        colours.insert(bitmap[at] >> 4);
        colours.insert(bitmap[at] & 0x0F);
    }
    EXPECT_GE(colours.size(), 4u);
}

TEST_F(ResourcesTest, TheDescriptionIsUtf16WithItsZeroAndPadding) {
    const Bytes description = FileResource(PackageFile(), "DESCRIPTION", RT_RCDATA);
    const std::string text = "Kesmet TZelvan Component";
    Bytes expected;
    for (char c : text) expected.insert(expected.end(), {static_cast<unsigned char>(c), 0});
    expected.insert(expected.end(), {0, 0, 0, 0}); // the zero character, and padding to a multiple of 4
    EXPECT_EQ(description, expected);
}

TEST_F(ResourcesTest, ThePackageInformationDeclaresRequiresAndContainsInOrder) {
    Bytes expected;
    Append(expected, {packageFlags, 1});
    expected.push_back(runtimeName == std::string("vcl40") ? 0x16 : 0x18);
    Append(expected, runtimeName);
    Append(expected, {3});
    expected.insert(expected.end(), {0x03, 0xC4});
    Append(expected, "ZelvanPack");
    expected.insert(expected.end(), {0x00, 0x7F});
    Append(expected, "SysInit");
    expected.insert(expected.end(), {0x00, 0xA2});
    Append(expected, "Orvane");
    expected.push_back(0); // padding to 52
    EXPECT_EQ(FileResource(PackageFile(), "PACKAGEINFO", RT_RCDATA), expected);
}

TEST_F(ResourcesTest, ThePackageOptionsHoldStackSizesAliasesAndDescription) {
    Bytes expected;
    Append(expected, {1, 16384, 1048576});
    Append(expected, "IMPLICITBUILD OFF");
    Append(expected, "WinTypes=Windows;WinProcs=Windows;DbiTypes=BDE;DbiProcs=BDE;DbiErrs=BDE");
    Append(expected, "Kesmet TZelvan Component");
    expected.push_back(0); // padding to 128
    EXPECT_EQ(FileResource(PackageFile(), "PACKAGEOPTIONS", RT_RCDATA), expected);
}

TEST_F(ResourcesTest, TheLoadedPackageHoldsTheBytesOfItsFile) {
    HMODULE package = vcl::LoadPackage(PackageFile().string());
    for (const char* name : {"TZELVAN", "DESCRIPTION", "PACKAGEINFO", "PACKAGEOPTIONS"}) {
        const LPCSTR type = name == std::string("TZELVAN") ? RT_BITMAP : RT_RCDATA;
        const auto loaded = vcl::ResourceBytes(package, name, type);
        ASSERT_TRUE(loaded) << name;
        EXPECT_EQ(Bytes(loaded->begin(), loaded->end()), FileResource(PackageFile(), name, type)) << name;
    }
    EXPECT_EQ(vcl::GetPackageDescription(package), "Kesmet TZelvan Component");
    const vcl::TPackageInfo info = vcl::GetPackageInfo(package);
    EXPECT_EQ(info.Requires.front().Name, runtimeName);
    vcl::UnloadPackage(package);
}

} // namespace
} // namespace packagetest
