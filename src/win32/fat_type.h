// The type of a FAT volume, which follows from its count of data clusters
// alone: what Windows' FAT driver mounts, and what the tools tell from the
// clusters GetDiskFreeSpaceA reports.
#pragma once

#include <cstdint>

namespace win32 {

enum class FatType { Fat12, Fat16, Fat32 };

constexpr std::uint32_t firstFat16ClusterCount = 4085;
constexpr std::uint32_t firstFat32ClusterCount = 65525;

constexpr FatType FatTypeOf(std::uint32_t dataClusters) {
    if (dataClusters < firstFat16ClusterCount) return FatType::Fat12;
    if (dataClusters < firstFat32ClusterCount) return FatType::Fat16;
    return FatType::Fat32;
}

} // namespace win32
