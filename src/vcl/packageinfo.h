// The package-information record that a package carries as its resource
// PACKAGEINFO: what it is, the packages it requires and the units it
// contains. Little-endian, nothing between fields:
//   Flags          32 bits   bit 0 never-build, bit 1 design-time only,
//                            bit 2 run-time only, bit 3 no duplicate-unit
//                            check, bits 26-27 producer, bits 30-31 kind
//   RequiresCount  32 bits, signed
//   Requires       per entry: name hash (8 bits), name, zero byte
//   ContainsCount  32 bits, signed
//   Contains       per entry: unit flags (8 bits), name hash (8 bits),
//                  name, zero byte
//   Tail           zero bytes up to a multiple of 4
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vcl {

// A package that cannot be loaded or unloaded, or a record that cannot be
// read; the message names the package (or the record's fault) and why.
class EPackageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace pf {
constexpr std::uint32_t NeverBuild = 0x00000001;
constexpr std::uint32_t DesignOnly = 0x00000002;
constexpr std::uint32_t RunOnly = 0x00000004;
constexpr std::uint32_t IgnoreDupUnits = 0x00000008;
constexpr int ProducerShift = 26;
constexpr std::uint32_t ProducerMask = 0x0C000000;
constexpr int ModuleKindShift = 30;
constexpr std::uint32_t ModuleKindMask = 0xC0000000;
constexpr std::uint32_t PackageModule = 1;
} // namespace pf

namespace uf {
constexpr std::uint8_t MainUnit = 0x01;
constexpr std::uint8_t PackageUnit = 0x02;
} // namespace uf

struct TPackageRequire {
    std::uint8_t Hash;
    std::string Name;
};

struct TPackageUnit {
    std::uint8_t Flags;
    std::uint8_t Hash;
    std::string Name;
};

struct TPackageInfo {
    std::uint32_t Flags;
    std::vector<TPackageRequire> Requires;
    std::vector<TPackageUnit> Contains;
};

// The name hash of a requires or contains entry. From h = 0, for each byte
// of the name with ASCII letters folded to upper case: rotate h left by one
// bit within its 8 bits, then exclusive-or the byte into it. Names compare
// without regard to case, and so do their hashes: "vcl40" is 0x16.
std::uint8_t PackageNameHash(std::string_view Name);

// Reads a record whole. A record that ends early, counts entries past its
// end, has a name without its zero byte, an empty name, a hash that is not
// its name's, or anything but zero padding after the last entry, throws
// EPackageError saying what and where.
TPackageInfo ReadPackageInfo(std::span<const unsigned char> Record);

// The flags as words: "never-build", "design-time and run-time",
// "producer 3", "package".
std::vector<std::string> DescribePackageFlags(std::uint32_t Flags);
// The module kind the flags give: "program", "package", "library" or "kind 3".
std::string ModuleKindName(std::uint32_t Flags);
// A contained unit's flags as words: "main unit", "package unit"; none for 0.
std::vector<std::string> DescribeUnitFlags(std::uint8_t Flags);

} // namespace vcl
