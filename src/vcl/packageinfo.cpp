#include "vcl/packageinfo.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "win32/little_endian.h"

namespace vcl {

namespace {

class RecordReader {
public:
    explicit RecordReader(std::span<const unsigned char> record) : record_(record) {}

    std::uint32_t Dword(const std::string& what) {
        if (Left() < 4) Fail("it ends before " + what);
        const std::uint32_t value = win32::Le32(record_, at_);
        at_ += 4;
        return value;
    }

    std::uint8_t Byte(const std::string& what) {
        if (Left() < 1) Fail("it ends before " + what);
        return record_[at_++];
    }

    // An entry count; each entry takes at least `smallest` bytes.
    std::size_t Count(const std::string& what, std::size_t smallest) {
        const auto count = static_cast<std::int32_t>(Dword("the " + what + " count"));
        if (count < 0) Fail("the " + what + " count is " + std::to_string(count));
        if (static_cast<std::size_t>(count) > Left() / smallest)
            Fail("the " + what + " count " + std::to_string(count) + " does not fit in the record");
        return static_cast<std::size_t>(count);
    }

    std::string Name(const std::string& what) {
        const auto* start = record_.data() + at_;
        const auto* end = std::find(start, record_.data() + record_.size(), 0);
        if (end == record_.data() + record_.size()) Fail(what + " has no zero byte to end its name");
        if (end == start) Fail(what + " has an empty name");
        at_ += static_cast<std::size_t>(end - start) + 1;
        return std::string(start, end);
    }

    // Zero bytes up to a multiple of 4, and nothing else.
    void Tail() {
        if (Left() > 3)
            Fail(std::to_string(Left()) + " bytes follow the last unit, more than the padding to a multiple of 4");
        if (record_.size() % 4 != 0)
            Fail("the record's length, " + std::to_string(record_.size()) + ", is not a multiple of 4");
        if (std::any_of(record_.begin() + static_cast<std::ptrdiff_t>(at_), record_.end(),
                        [](unsigned char b) { return b != 0; }))
            Fail("the padding after the last unit is not zero");
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw EPackageError("byte " + std::to_string(at_) + ": " + what);
    }

private:
    std::size_t Left() const { return record_.size() - at_; }
    std::span<const unsigned char> record_;
    std::size_t at_ = 0;
};

std::string Hex(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
    return text;
}

// An entry's name hash and its name, the hash checked against the name.
void ReadNamed(RecordReader& reader, const std::string& what, std::uint8_t& hash, std::string& name) {
    hash = reader.Byte(what);
    name = reader.Name(what);
    if (hash != PackageNameHash(name))
        reader.Fail(what + " ('" + name + "') has the hash " + Hex(hash) + ", not " + Hex(PackageNameHash(name)));
}

} // namespace

std::uint8_t PackageNameHash(std::string_view Name) {
    std::uint8_t hash = 0;
    for (char c : Name) {
        hash = static_cast<std::uint8_t>(hash << 1 | hash >> 7);
        hash ^= static_cast<std::uint8_t>(std::toupper(static_cast<unsigned char>(c)));
    }
    return hash;
}

TPackageInfo ReadPackageInfo(std::span<const unsigned char> Record) {
    RecordReader reader(Record);
    TPackageInfo info;
    info.Flags = reader.Dword("its flags");
    constexpr std::size_t smallestRequire = 3; // hash, one letter, zero
    const std::size_t requireCount = reader.Count("requires", smallestRequire);
    for (std::size_t i = 1; i <= requireCount; ++i) {
        TPackageRequire& entry = info.Requires.emplace_back();
        ReadNamed(reader, "requires entry " + std::to_string(i), entry.Hash, entry.Name);
    }
    constexpr std::size_t smallestUnit = 4; // flags, hash, one letter, zero
    const std::size_t unitCount = reader.Count("contains", smallestUnit);
    for (std::size_t i = 1; i <= unitCount; ++i) {
        const std::string what = "contains entry " + std::to_string(i);
        TPackageUnit& entry = info.Contains.emplace_back();
        entry.Flags = reader.Byte(what);
        ReadNamed(reader, what, entry.Hash, entry.Name);
    }
    reader.Tail();
    return info;
}

std::vector<std::string> DescribePackageFlags(std::uint32_t Flags) {
    std::vector<std::string> words;
    words.push_back(Flags & pf::NeverBuild ? "never-build" : "rebuilt when needed");
    if ((Flags & pf::DesignOnly) && (Flags & pf::RunOnly)) words.push_back("design-time only and run-time only");
    else if (Flags & pf::DesignOnly) words.push_back("design-time only");
    else if (Flags & pf::RunOnly) words.push_back("run-time only");
    else words.push_back("design-time and run-time");
    if (Flags & pf::IgnoreDupUnits) words.push_back("no duplicate-unit check");
    const unsigned producer = (Flags & pf::ProducerMask) >> pf::ProducerShift;
    words.push_back(producer == 0 ? "producer 0 (older than the producer field)" : "producer " + std::to_string(producer));
    words.push_back(ModuleKindName(Flags));
    constexpr std::uint32_t known = pf::NeverBuild | pf::DesignOnly | pf::RunOnly | pf::IgnoreDupUnits |
                                    pf::ProducerMask | pf::ModuleKindMask;
    if (Flags & ~known) words.push_back("other bits " + Hex(Flags & ~known));
    return words;
}

std::vector<std::string> DescribeUnitFlags(std::uint8_t Flags) {
    std::vector<std::string> words;
    if (Flags & uf::MainUnit) words.push_back("main unit");
    if (Flags & uf::PackageUnit) words.push_back("package unit");
    if (const std::uint8_t other = Flags & ~(uf::MainUnit | uf::PackageUnit)) words.push_back("other bits " + Hex(other));
    return words;
}

std::string ModuleKindName(std::uint32_t Flags) {
    static constexpr const char* kinds[] = {"program", "package", "library", "kind 3"};
    return kinds[(Flags & pf::ModuleKindMask) >> pf::ModuleKindShift];
}

} // namespace vcl
