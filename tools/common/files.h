// Files as both tools write them: nothing half-written is ever left under
// the name the user gave.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace tools {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The system's words for the last failed call (errno).
std::string SystemReason();

// Bytes for FILE. A regular file is written under a temporary name beside
// it and takes its name only on Commit, so a failed run leaves FILE as it
// was; anything else (a device, a pipe) is written directly. Throws Failure
// naming the file.
class OutputFile {
public:
    explicit OutputFile(const std::filesystem::path& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(std::span<const std::uint8_t> bytes);
    void Commit();

private:
    std::filesystem::path path_;
    std::filesystem::path writing_;
    UniqueFile file_;
};

} // namespace tools
