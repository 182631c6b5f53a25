#include "expected_resources.h"

#include <cstdint>
#include <initializer_list>
#include <set>

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
// Text and its zero byte.
void Append(Bytes& bytes, const std::string& text) {
    bytes.insert(bytes.end(), text.c_str(), text.c_str() + text.size() + 1);
}

} // namespace

Bytes ExpectedDescription(std::string_view text) {
    Bytes bytes;
    for (char c : text) bytes.insert(bytes.end(), {static_cast<unsigned char>(c), 0});
    bytes.insert(bytes.end(), {0, 0});
    while (bytes.size() % 4) bytes.push_back(0);
    return bytes;
}

Bytes ExpectedPackageInfo(const std::string& runtime) {
    const bool vcl30 = runtime == "vcl30";
    Bytes bytes;
    // Never-build, design- and run-time, producer 3 (0 in vcl30), a package.
    Append(bytes, {vcl30 ? 0x40000001u : 0x4C000001u, 1});
    bytes.push_back(vcl30 ? 0x18 : 0x16);
    Append(bytes, runtime);
    Append(bytes, {3});
    bytes.insert(bytes.end(), {0x03, 0xC4});
    Append(bytes, "ZelvanPack");
    bytes.insert(bytes.end(), {0x00, 0x7F});
    Append(bytes, "SysInit");
    bytes.insert(bytes.end(), {0x00, 0xA2});
    Append(bytes, "Orvane");
    bytes.push_back(0); // padding to 52
    return bytes;
}

Bytes ExpectedPackageOptions() {
    Bytes bytes;
    Append(bytes, {1, 16384, 1048576});
    Append(bytes, "IMPLICITBUILD OFF");
    Append(bytes, "WinTypes=Windows;WinProcs=Windows;DbiTypes=BDE;DbiProcs=BDE;DbiErrs=BDE");
    Append(bytes, "Kesmet TZelvan Component");
    bytes.push_back(0); // padding to 128
    return bytes;
}

void ExpectPalettePicture(const Bytes& bitmap) {
    ASSERT_EQ(bitmap.size(), 392u);
    EXPECT_EQ(Dword(bitmap, 0), 40u);    // BITMAPINFOHEADER
    EXPECT_EQ(Dword(bitmap, 4), 24u);    // width
    EXPECT_EQ(Dword(bitmap, 8), 24u);    // height, positive: rows bottom-up
    EXPECT_EQ(Word(bitmap, 12), 1u);     // planes
    EXPECT_EQ(Word(bitmap, 14), 4u);     // bits per pixel
    EXPECT_EQ(Dword(bitmap, 16), 0u);    // BI_RGB
    EXPECT_EQ(Dword(bitmap, 20), 288u);  // bytes of pixels
    EXPECT_EQ(Dword(bitmap, 24), 3790u); // pixels per metre, across
    EXPECT_EQ(Dword(bitmap, 28), 3800u); // and down
    EXPECT_EQ(Dword(bitmap, 32), 0u);    // colours used
    EXPECT_EQ(Dword(bitmap, 36), 0u);    // colours important
    // The standard Windows 16 colours, as red, green, blue.
    const unsigned char palette[16][3] = {
        {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
        {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
        {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    for (std::size_t i = 0; i < 16; ++i) {
        const std::size_t at = 40 + 4 * i;
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

} // namespace packagetest
