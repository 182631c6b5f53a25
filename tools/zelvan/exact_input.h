// The files a transfer reads from and writes to, so that neither a wrong
// input nor a failed read leaves anything half done.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zelvan_cli {

// Exactly `expected` bytes from a file or standard input ("-"). The length is
// checked when it is opened; a file of another length throws Failure, which
// names it and both lengths.
class ExactInput {
public:
    ExactInput(const std::string& path, std::uint64_t expected);
    // The next bytes.size() bytes.
    void Read(std::span<std::uint8_t> bytes);

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::string path_;
    std::unique_ptr<std::FILE, Closer> file_;  // a regular file, read as the run goes
    std::vector<std::uint8_t> held_;          // a pipe or standard input, read whole to learn its length
    std::size_t position_ = 0;
};

// Raw bytes for FILE. A regular file is written under a temporary name beside
// it and takes its name only on Commit, so a failed run leaves FILE as it was;
// anything else (a device, a pipe) is written directly.
class OutputFile {
public:
    explicit OutputFile(const std::filesystem::path& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(std::span<const std::uint8_t> bytes);
    void Commit();

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::filesystem::path path_;
    std::filesystem::path writing_;
    std::unique_ptr<std::FILE, Closer> file_;
};

} // namespace zelvan_cli
