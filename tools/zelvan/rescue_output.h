// The file a rescue read fills: each sector goes to its place in the run, so
// that a later run with the same map file fills in what is missing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "common/files.h"

namespace zelvan_cli {

class RescueOutput {
public:
    // `resume`: earlier runs read into FILE, which must exist and is kept;
    // otherwise FILE is made, or emptied. Standard output (-), a folder, a
    // file that is not a regular one, the backing of a drive and `mapPath`
    // itself are refused.
    // Throws Failure naming the file.
    RescueOutput(const std::filesystem::path& path, const std::filesystem::path& mapPath, bool resume);

    void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // What was written is in the file before the map says so.
    void Flush();

private:
    [[noreturn]] void Fail(const std::string& reason) const;

    std::filesystem::path path_;
    tools::UniqueFile file_;
};

} // namespace zelvan_cli
