// Bytes, the files that hold them and their comparison: what every test
// program shares, the Windows one included.
#pragma once

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
// Equal bytes; on a difference, says where it starts instead of printing both.
::testing::AssertionResult SameBytes(const Bytes& actual, const Bytes& expected);
// A pattern that differs from sector to sector and byte to byte.
Bytes Pattern(std::size_t size, std::uint8_t seed);
// `base` with `data` written over it from byte `offset`: what a medium holds
// after a write of exactly that run.
Bytes Overwritten(Bytes base, std::size_t offset, const Bytes& data);
// Numbers as the file systems store them, least significant byte first.
Bytes Le32(std::uint32_t value);
Bytes Le64(std::uint64_t value);
std::uint64_t LittleEndian(const Bytes& bytes);

} // namespace testsupport
