#include "bytes.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace testsupport {

namespace fs = std::filesystem;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(in ? fs::file_size(path) : 0);
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error("cannot read " + path.string());
    return bytes;
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

::testing::AssertionResult SameBytes(const Bytes& actual, const Bytes& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    auto result = ::testing::AssertionFailure() << "lengths " << actual.size() << " and " << expected.size();
    if (a != actual.end() && e != expected.end())
        result << "; first difference at byte " << (a - actual.begin()) << ": " << int(*a) << " instead of " << int(*e);
    return result;
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 31 + (i >> 9) * 7 + seed) & 0xFF);
    return bytes;
}

Bytes Overwritten(Bytes base, std::size_t offset, const Bytes& data) {
    if (offset > base.size() || data.size() > base.size() - offset) throw std::out_of_range("Overwritten: past the end");
    std::copy(data.begin(), data.end(), base.begin() + static_cast<std::ptrdiff_t>(offset));
    return base;
}

Bytes Le32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

Bytes Le64(std::uint64_t value) {
    Bytes bytes = Le32(static_cast<std::uint32_t>(value)), high = Le32(static_cast<std::uint32_t>(value >> 32));
    bytes.insert(bytes.end(), high.begin(), high.end());
    return bytes;
}

std::uint64_t LittleEndian(const Bytes& bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) value = value << 8 | bytes[i];
    return value;
}

} // namespace testsupport
