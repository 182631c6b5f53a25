// The package-information record: its name hash, its reader and the
// damage the reader refuses, and how its flags read.
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

#include "vcl/packageinfo.h"

namespace {

using namespace vcl;
using Bytes = std::vector<unsigned char>;

void PutDword(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}
void PutName(Bytes& out, const std::string& name) {
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
}

// A record as the layout gives it, padded with zeros to a multiple of 4.
Bytes Record(std::uint32_t flags, std::initializer_list<std::string> requires_,
             std::initializer_list<std::pair<std::uint8_t, std::string>> units) {
    Bytes out;
    PutDword(out, flags);
    PutDword(out, static_cast<std::uint32_t>(requires_.size()));
    for (const std::string& name : requires_) {
        out.push_back(PackageNameHash(name));
        PutName(out, name);
    }
    PutDword(out, static_cast<std::uint32_t>(units.size()));
    for (const auto& [unitFlags, name] : units) {
        out.push_back(unitFlags);
        out.push_back(PackageNameHash(name));
        PutName(out, name);
    }
    while (out.size() % 4) out.push_back(0);
    return out;
}

Bytes ZelvanPackRecord() {
    return Record(0x4C000001, {"vcl40"}, {{0x03, "ZelvanPack"}, {0x00, "SysInit"}, {0x00, "Orvane"}});
}

std::string Refusal(const Bytes& record) {
    try {
        ReadPackageInfo(record);
    } catch (const EPackageError& error) {
        return error.what();
    }
    return "(read without complaint)";
}

TEST(PackageNameHash, RotatesAndMixesTheUpperCaseBytes) {
    EXPECT_EQ(PackageNameHash(""), 0x00);
    EXPECT_EQ(PackageNameHash("A"), 0x41);
    // 0x41 rotated is 0x82; 0x82 ^ 'B' (0x42) is 0xC0.
    EXPECT_EQ(PackageNameHash("AB"), 0xC0);
    EXPECT_EQ(PackageNameHash("ab"), 0xC0);
    EXPECT_EQ(PackageNameHash("vcl40"), 0x16);
    EXPECT_EQ(PackageNameHash("VCL40"), 0x16);
    EXPECT_EQ(PackageNameHash("vcl30"), 0x18);
    EXPECT_EQ(PackageNameHash("ZelvanPack"), 0xC4);
    EXPECT_EQ(PackageNameHash("SysInit"), 0x7F);
    EXPECT_EQ(PackageNameHash("Orvane"), 0xA2);
}

TEST(ReadPackageInfo, ReadsFlagsRequiresAndContainsInOrder) {
    const Bytes record = ZelvanPackRecord();
    ASSERT_EQ(record.size(), 52u);
    const TPackageInfo info = ReadPackageInfo(record);
    EXPECT_EQ(info.Flags, 0x4C000001u);
    ASSERT_EQ(info.Requires.size(), 1u);
    EXPECT_EQ(info.Requires[0].Name, "vcl40");
    EXPECT_EQ(info.Requires[0].Hash, 0x16);
    ASSERT_EQ(info.Contains.size(), 3u);
    const std::pair<std::uint8_t, std::string> units[] = {{0x03, "ZelvanPack"}, {0x00, "SysInit"}, {0x00, "Orvane"}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(info.Contains[i].Flags, units[i].first);
        EXPECT_EQ(info.Contains[i].Name, units[i].second);
        EXPECT_EQ(info.Contains[i].Hash, PackageNameHash(units[i].second));
    }
    EXPECT_TRUE(ReadPackageInfo(Record(0x40000000, {}, {})).Requires.empty());
}

TEST(ReadPackageInfo, RefusesDamageSayingWhatAndWhere) {
    const Bytes good = ZelvanPackRecord();
    auto changed = [&](std::size_t at, std::initializer_list<unsigned char> bytes) {
        Bytes record = good;
        std::copy(bytes.begin(), bytes.end(), record.begin() + static_cast<std::ptrdiff_t>(at));
        return record;
    };
    EXPECT_EQ(Refusal({0x01, 0x00, 0x00}), "byte 0: it ends before its flags");
    EXPECT_EQ(Refusal(changed(4, {0xFF, 0xFF, 0xFF, 0xFF})), "byte 8: the requires count is -1");
    EXPECT_EQ(Refusal(changed(4, {0x10, 0x00, 0x00, 0x00})), "byte 8: the requires count 16 does not fit in the record");
    EXPECT_EQ(Refusal(changed(15, {0x40, 0x00, 0x00, 0x00})), "byte 19: the contains count 64 does not fit in the record");
    EXPECT_EQ(Refusal(changed(9, {0})), "byte 9: requires entry 1 has an empty name");
    EXPECT_EQ(Refusal(changed(8, {0x17})), "byte 15: requires entry 1 ('vcl40') has the hash 0x17, not 0x16");
    EXPECT_EQ(Refusal(changed(45, {'O', 'r', 'v', 'a', 'n', 'e', '!'})),
              "byte 44: contains entry 3 has no zero byte to end its name");
    EXPECT_EQ(Refusal(changed(51, {1})), "byte 51: the padding after the last unit is not zero");
    Bytes longer = good;
    longer.insert(longer.end(), {0, 0, 0, 0});
    EXPECT_EQ(Refusal(longer), "byte 51: 5 bytes follow the last unit, more than the padding to a multiple of 4");
    Bytes unpadded(good.begin(), good.end() - 1);
    EXPECT_EQ(Refusal(unpadded), "byte 51: the record's length, 51, is not a multiple of 4");
}

TEST(DescribePackageFlags, NamesEachFieldOfTheFlags) {
    EXPECT_EQ(DescribePackageFlags(0x4C000001),
              (std::vector<std::string>{"never-build", "design-time and run-time", "producer 3", "package"}));
    EXPECT_EQ(DescribePackageFlags(0x40000001), (std::vector<std::string>{"never-build", "design-time and run-time",
                                                                        "producer 0 (older than the producer field)",
                                                                        "package"}));
    EXPECT_EQ(DescribePackageFlags(0x84000002),
              (std::vector<std::string>{"rebuilt when needed", "design-time only", "producer 1", "library"}));
    EXPECT_EQ(DescribePackageFlags(0x0000010C),
              (std::vector<std::string>{"rebuilt when needed", "run-time only", "no duplicate-unit check",
                                        "producer 0 (older than the producer field)", "program", "other bits 0x100"}));
}

TEST(DescribeUnitFlags, NamesTheMainAndThePackageUnit) {
    EXPECT_EQ(DescribeUnitFlags(0x03), (std::vector<std::string>{"main unit", "package unit"}));
    EXPECT_EQ(DescribeUnitFlags(0x00), std::vector<std::string>{});
    EXPECT_EQ(DescribeUnitFlags(0x12), (std::vector<std::string>{"package unit", "other bits 0x10"}));
}

} // namespace
