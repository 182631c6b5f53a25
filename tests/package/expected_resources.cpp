#include "expected_resources.h"

#include <cstdint>
#include <set>

namespace packagetest {

namespace {

using testsupport::Bytes;

// What follows byte `at` is 0 to 3 zero bytes, up to a multiple of 4.
void ExpectPaddingFrom(const Bytes& bytes, std::size_t at) {
    EXPECT_EQ(bytes.size() % 4, 0u) << "size " << bytes.size();
    EXPECT_LT(bytes.size() - at, 4u) << "bytes after the last field";
    for (std::size_t i = at; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << "padding byte " << i;
}

// Little-endian fields and zero-ended 8-bit texts one after another; a
// field that runs past the end is a failure of the test, and reads as 0.
class FieldReader {
public:
    explicit FieldReader(const Bytes& bytes) : bytes_(bytes) {}

    std::uint32_t Number(std::size_t size, const char* what) {
        if (bytes_.size() - at_ < size) {
            ADD_FAILURE() << what << " lies past the end, at byte " << at_ << " of " << bytes_.size();
            at_ = bytes_.size();
            return 0;
        }
        std::uint32_t value = 0;
        for (std::size_t i = size; i-- > 0;) value = value << 8 | bytes_[at_ + i];
        at_ += size;
        return value;
    }
    std::string Text(const char* what) {
        std::string text;
        while (at_ < bytes_.size() && bytes_[at_] != 0) text += static_cast<char>(bytes_[at_++]);
        if (at_ == bytes_.size()) ADD_FAILURE() << what << " has no zero byte to end it";
        else ++at_;
        return text;
    }
    void ExpectPadding() const { ExpectPaddingFrom(bytes_, at_); }

private:
    const Bytes& bytes_;
    std::size_t at_ = 0;
};

} // namespace

std::string DescriptionText(const Bytes& resource) {
    std::string text;
    std::size_t at = 0;
    for (; at + 1 < resource.size(); at += 2) {
        const unsigned unit = resource[at] | resource[at + 1] << 8;
        if (unit == 0) break;
        EXPECT_LT(unit, 0x80u) << "character " << at / 2 << " is not ASCII";
        text += static_cast<char>(unit);
    }
    if (at + 1 >= resource.size()) {
        ADD_FAILURE() << "no zero character ends \"" << text << "\"";
        return text;
    }
    ExpectPaddingFrom(resource, at + 2);
    return text;
}

void ExpectPackageInfo(const Bytes& resource, const std::string& runtime) {
    FieldReader record(resource);
    const std::uint32_t flags = record.Number(4, "the flags");
    EXPECT_EQ(flags & 1u, 1u) << "never built implicitly";
    EXPECT_EQ(flags >> 1 & 1u, 0u) << "not design-time only";
    EXPECT_EQ(flags >> 2 & 1u, 0u) << "not run-time only";
    EXPECT_EQ(flags >> 3 & 1u, 0u) << "the duplicate-unit check is made";
    EXPECT_EQ(flags >> 26 & 3u, runtime == "vcl30" ? 0u : 3u) << "the producer";
    EXPECT_EQ(flags >> 30, 1u) << "a package";
    EXPECT_EQ(flags & ~(0xFu | 3u << 26 | 3u << 30), 0u) << "other bits";
    EXPECT_EQ(record.Number(4, "the requires count"), 1u);
    record.Number(1, "the required package's hash");
    EXPECT_EQ(record.Text("the required package's name"), runtime);
    EXPECT_EQ(record.Number(4, "the contains count"), 3u);
    struct Unit {
        std::uint32_t flags;
        const char* name;
    };
    // The package's own unit is its main and its package source unit.
    for (const Unit unit : {Unit{0x03, "ZelvanPack"}, Unit{0x00, "SysInit"}, Unit{0x00, "Orvane"}}) {
        EXPECT_EQ(record.Number(1, "a unit's flags"), unit.flags) << unit.name;
        record.Number(1, "a unit's hash");
        EXPECT_EQ(record.Text("a unit's name"), unit.name);
    }
    record.ExpectPadding();
}

void ExpectPackageOptions(const Bytes& resource, std::string_view description) {
    FieldReader options(resource);
    EXPECT_EQ(options.Number(4, "the layout version"), 1u);
    EXPECT_EQ(options.Number(4, "the minimum stack size"), 16384u);
    EXPECT_EQ(options.Number(4, "the maximum stack size"), 1048576u);
    EXPECT_NE(options.Text("the switches").find("IMPLICITBUILD OFF"), std::string::npos) << "never built implicitly";
    const std::string aliases = options.Text("the unit aliases");
    for (std::size_t at = 0; at <= aliases.size();) {
        const std::size_t end = std::min(aliases.find(';', at), aliases.size());
        const std::string alias = aliases.substr(at, end - at);
        const std::size_t equals = alias.find('=');
        EXPECT_TRUE(equals != std::string::npos && equals > 0 && equals + 1 < alias.size()) << "alias " << alias;
        at = end + 1;
    }
    EXPECT_EQ(options.Text("the description"), description);
    options.ExpectPadding();
}

void ExpectPalettePicture(const Bytes& bitmap) {
    FieldReader header(bitmap);
    ASSERT_EQ(bitmap.size(), 392u);
    EXPECT_EQ(header.Number(4, "the header size"), 40u); // BITMAPINFOHEADER
    EXPECT_EQ(header.Number(4, "the width"), 24u);
    EXPECT_EQ(header.Number(4, "the height"), 24u); // positive: rows bottom-up
    EXPECT_EQ(header.Number(2, "the planes"), 1u);
    EXPECT_EQ(header.Number(2, "the bits per pixel"), 4u);
    EXPECT_EQ(header.Number(4, "the compression"), 0u); // BI_RGB
    EXPECT_EQ(header.Number(4, "the bytes of pixels"), 288u);
    EXPECT_EQ(header.Number(4, "the pixels per metre across"), 3790u);
    EXPECT_EQ(header.Number(4, "the pixels per metre down"), 3800u);
    EXPECT_EQ(header.Number(4, "the colours used"), 0u);
    EXPECT_EQ(header.Number(4, "the colours important"), 0u);
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
