// The bytes a write takes from a file or standard input, exactly as many as
// the run needs, so that a wrong input is refused before anything is written.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/files.h"

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
    std::string path_;
    tools::UniqueFile file_;          // a regular file, read as the run goes
    std::vector<std::uint8_t> held_;  // a pipe or standard input, read whole to learn its length
    std::size_t position_ = 0;
};

} // namespace zelvan_cli
