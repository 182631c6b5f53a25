#include "zelvan/exact_input.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/outcome.h"

namespace zelvan_cli {

namespace fs = std::filesystem;

namespace {

std::string WrongLength(const std::string& path, std::string_view actual, std::uint64_t expected) {
    return "input " + path + " holds " + std::string(actual) + " bytes, but COUNT sectors take exactly " +
           std::to_string(expected) + "; nothing was written";
}

} // namespace

ExactInput::ExactInput(const std::string& path, std::uint64_t expected) : path_(path == "-" ? "(standard input)" : path) {
    std::FILE* stream = stdin;
    if (path == "-") {
        // Standard input must carry bytes unchanged (it is text on some systems).
        if (!std::freopen(nullptr, "rb", stdin)) throw tools::Failure("cannot read standard input: " + tools::SystemReason());
    } else {
        file_.reset(std::fopen(path.c_str(), "rb"));
        if (!file_) throw tools::Failure("cannot open input " + path + ": " + tools::SystemReason());
        std::error_code error;
        if (fs::is_regular_file(path, error)) {
            const std::uintmax_t size = fs::file_size(path, error);
            if (error) throw tools::Failure("cannot tell the length of input " + path + ": " + error.message());
            if (size != expected) throw tools::Failure(WrongLength(path_, std::to_string(size), expected));
            return;
        }
        stream = file_.get();
    }
    // A stream shows its length only at its end: take up to one byte more than needed.
    std::array<std::uint8_t, 65536> chunk;
    while (held_.size() <= expected) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), expected + 1 - held_.size()));
        const std::size_t got = std::fread(chunk.data(), 1, want, stream);
        held_.insert(held_.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
        if (got < want) break;
    }
    if (std::ferror(stream)) throw tools::Failure("cannot read input " + path_ + ": " + tools::SystemReason());
    if (held_.size() != expected)
        throw tools::Failure(WrongLength(path_, held_.size() > expected ? "more than " + std::to_string(expected)
                                                                 : std::to_string(held_.size()),
                                  expected));
    file_.reset();
}

void ExactInput::Read(std::span<std::uint8_t> bytes) {
    if (!file_) {
        std::copy_n(held_.begin() + static_cast<std::ptrdiff_t>(position_), bytes.size(), bytes.begin());
        position_ += bytes.size();
        return;
    }
    if (std::fread(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
        throw tools::Failure("input " + path_ + " became shorter while it was being written");
}

} // namespace zelvan_cli
