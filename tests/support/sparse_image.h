// A sparse disk image of gigabytes, compared whole without reading its holes:
// its size and its pages of 4 KiB that hold anything but zeros.
#pragma once

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

#include "bytes.h"

namespace testsupport {

class SparseImage {
public:
    // The image's data as the file system maps it (SEEK_DATA and SEEK_HOLE).
    static SparseImage Read(const std::filesystem::path& path);
    // What the image holds after `bytes` are written at `offset`.
    void Write(std::uint64_t offset, const Bytes& bytes);

    friend ::testing::AssertionResult SameImage(const SparseImage& actual, const SparseImage& expected);

private:
    static constexpr std::uint64_t pageBytes = 4096;
    void Keep(std::uint64_t page, Bytes bytes);

    std::uint64_t size_ = 0;
    std::map<std::uint64_t, Bytes> pages_; // by page number; none all zeros
};

::testing::AssertionResult SameImage(const SparseImage& actual, const SparseImage& expected);

} // namespace testsupport
