#include "common/files.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "common/outcome.h"

namespace tools {

namespace fs = std::filesystem;

std::string SystemReason() { return std::strerror(errno); }

OutputFile::OutputFile(const fs::path& path) : path_(path) {
    std::error_code error;
    const bool special = fs::exists(path, error) && !fs::is_regular_file(path, error);
    writing_ = special ? path : fs::path(path.string() + ".partial");
    file_.reset(std::fopen(writing_.string().c_str(), "wb"));
    if (!file_) throw Failure("cannot create output " + writing_.string() + ": " + SystemReason());
}

OutputFile::~OutputFile() {
    if (!file_ || writing_ == path_) return;
    file_.reset();
    std::error_code ignored;
    fs::remove(writing_, ignored);
}

void OutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
        throw Failure("cannot write output " + writing_.string() + ": " + SystemReason());
}

void OutputFile::Commit() {
    const bool closed = std::fclose(file_.release()) == 0;
    const std::string reason = closed ? "" : SystemReason();
    std::error_code error;
    if (closed && writing_ != path_) fs::rename(writing_, path_, error);
    if (closed && !error) return;
    if (writing_ != path_) {
        std::error_code ignored;
        fs::remove(writing_, ignored);
    }
    throw Failure("cannot write output " + path_.string() + ": " + (closed ? error.message() : reason));
}

} // namespace tools
