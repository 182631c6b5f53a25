// Numbers as Windows, DOS and their file formats store them, least
// significant byte first: boot regions, DISKIO packets, resources, package
// information, form files, bitmaps and module headers. The caller checks
// that the bytes are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace win32 {

// The `size` bytes from `at`, 1 to 8 of them.
inline std::uint64_t LittleEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = value << 8 | bytes[at + i];
    return value;
}
inline std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(LittleEndian(bytes, at, 2));
}
inline std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(LittleEndian(bytes, at, 4));
}
inline std::uint64_t Le64(std::span<const std::uint8_t> bytes, std::size_t at) { return LittleEndian(bytes, at, 8); }

} // namespace win32
