// Files as the tools read them whole: regular files only, and no larger
// than what they are read as can be, both known before a byte is read. A
// folder, a device or a FIFO is refused rather than read (or waited on)
// without end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace tools {

// What a file is read as, and the largest such a file can be.
struct InputKind {
    std::string_view name; // "a form file"
    std::uint64_t largest; // in bytes
};

// Throws Failure naming the file and what is wrong with it unless it is a
// regular file of at most kind.largest bytes: "F: cannot read: it is a FIFO".
void CheckInputFile(const std::filesystem::path& path, const InputKind& kind);

// The bytes of a file that CheckInputFile takes; a file that grows past
// kind.largest while it is read is refused as well.
std::vector<std::uint8_t> ReadInputFile(const std::filesystem::path& path, const InputKind& kind);

} // namespace tools
