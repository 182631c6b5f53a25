#include "byte_files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "outcome.h"

namespace zelvan_cli {

namespace fs = std::filesystem;

namespace {

std::string Reason() { return std::strerror(errno); }

std::string WrongLength(const std::string& path, std::string_view actual, std::uint64_t expected) {
    return "input " + path + " holds " + std::string(actual) + " bytes, but COUNT sectors take exactly " +
           std::to_string(expected) + "; nothing was written";
}

} // namespace

ExactInput::ExactInput(const std::string& path, std::uint64_t expected) : path_(path == "-" ? "(standard input)" : path) {
    std::FILE* stream = stdin;
    if (path == "-") {
        // Standard input must carry bytes unchanged (it is text on some systems).
        if (!std::freopen(nullptr, "rb", stdin)) throw Failure("cannot read standard input: " + Reason());
    } else {
        file_.reset(std::fopen(path.c_str(), "rb"));
        if (!file_) throw Failure("cannot open input " + path + ": " + Reason());
        std::error_code error;
        if (fs::is_regular_file(path, error)) {
            const std::uintmax_t size = fs::file_size(path, error);
            if (error) throw Failure("cannot tell the length of input " + path + ": " + error.message());
            if (size != expected) throw Failure(WrongLength(path_, std::to_string(size), expected));
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
    if (std::ferror(stream)) throw Failure("cannot read input " + path_ + ": " + Reason());
    if (held_.size() != expected)
        throw Failure(WrongLength(path_, held_.size() > expected ? "more than " + std::to_string(expected)
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
        throw Failure("input " + path_ + " became shorter while it was being written");
}

OutputFile::OutputFile(const fs::path& path) : path_(path) {
    std::error_code error;
    const bool special = fs::exists(path, error) && !fs::is_regular_file(path, error);
    writing_ = special ? path : fs::path(path.string() + ".partial");
    file_.reset(std::fopen(writing_.string().c_str(), "wb"));
    if (!file_) throw Failure("cannot create output " + writing_.string() + ": " + Reason());
}

OutputFile::~OutputFile() {
    if (!file_ || writing_ == path_) return;
    file_.reset();
    std::error_code ignored;
    fs::remove(writing_, ignored);
}

void OutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
        throw Failure("cannot write output " + writing_.string() + ": " + Reason());
}

void OutputFile::Commit() {
    const bool closed = std::fclose(file_.release()) == 0;
    const std::string reason = closed ? "" : Reason();
    std::error_code error;
    if (closed && writing_ != path_) fs::rename(writing_, path_, error);
    if (closed && !error) return;
    if (writing_ != path_) {
        std::error_code ignored;
        fs::remove(writing_, ignored);
    }
    throw Failure("cannot write output " + path_.string() + ": " + (closed ? error.message() : reason));
}

} // namespace zelvan_cli
