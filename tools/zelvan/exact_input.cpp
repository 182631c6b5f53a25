#include "zelvan/exact_input.h"

#include <filesystem>
#include <system_error>

#include "common/interruption.h"
#include "common/outcome.h"

namespace zelvan_cli {

namespace fs = std::filesystem;

namespace {

std::string WrongLength(const std::string& path, std::string_view actual, std::uint64_t expected) {
    return "input " + path + " holds " + std::string(actual) + " bytes, but COUNT sectors take exactly " +
           std::to_string(expected);
}

} // namespace

ExactInput::ExactInput(const std::string& path, std::uint64_t expected)
    : path_(path == "-" ? "(standard input)" : path), stream_(stdin), expected_(expected) {
    if (path == "-") {
        // Standard input must carry bytes unchanged (it is text on some systems).
        if (!std::freopen(nullptr, "rb", stdin)) throw tools::Failure("cannot read standard input: " + tools::SystemReason());
        return;
    }
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) throw tools::Failure("cannot open input " + path + ": " + tools::SystemReason());
    stream_ = file_.get();
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) throw tools::Failure("cannot tell the length of input " + path + ": " + error.message());
    if (size != expected) throw tools::Failure(WrongLength(path_, std::to_string(size), expected) + "; nothing was written");
    lengthChecked_ = true;
}

void ExactInput::CheckRead() const {
    if (!std::ferror(stream_)) return;
    const std::string reason = tools::SystemReason();
    // A read that waited on a pipe or terminal and was cut short by a signal.
    tools::CheckInterruption();
    throw tools::Failure("cannot read input " + path_ + ": " + reason);
}

void ExactInput::Read(std::span<std::uint8_t> bytes) {
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), stream_);
    CheckRead();
    taken_ += got;
    if (got < bytes.size()) {
        if (lengthChecked_) throw tools::Failure("input " + path_ + " became shorter while it was being written");
        throw tools::Failure(WrongLength(path_, std::to_string(taken_), expected_));
    }
    // A stream shows its length only at its end: it must end here.
    if (taken_ < expected_ || lengthChecked_) return;
    const bool more = std::fgetc(stream_) != EOF;
    CheckRead();
    if (more) throw tools::Failure(WrongLength(path_, "more than " + std::to_string(expected_), expected_));
}

} // namespace zelvan_cli
