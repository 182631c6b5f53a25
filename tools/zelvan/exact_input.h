// The bytes a write takes from a file or standard input, exactly as many as
// the run needs. A file's length is checked before anything is written; a
// stream is read piece by piece, as the run goes, so its length shows only
// as it is read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "common/files.h"

namespace zelvan_cli {

class ExactInput {
public:
    // Exactly `expected` bytes from a file or standard input ("-"). A regular
    // file of another length throws Failure at once, naming it and both
    // lengths.
    ExactInput(const std::string& path, std::uint64_t expected);
    // The next bytes.size() bytes. Throws Failure when the input ends before
    // them, or, with the last expected byte, holds more; Interrupted when a
    // signal cut short a read that waited.
    void Read(std::span<std::uint8_t> bytes);

private:
    void CheckRead() const;

    std::string path_;
    tools::UniqueFile file_; // a file named by the user
    std::FILE* stream_;      // file_, or standard input
    std::uint64_t expected_;
    std::uint64_t taken_ = 0;
    bool lengthChecked_ = false; // a regular file, measured when opened
};

} // namespace zelvan_cli
