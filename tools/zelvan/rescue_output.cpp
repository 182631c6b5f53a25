#include "zelvan/rescue_output.h"

#include <cstdio>
#include <string>

#include "common/outcome.h"
#include "common/platform.h"

namespace zelvan_cli {

namespace fs = std::filesystem;

RescueOutput::RescueOutput(const fs::path& path, const fs::path& mapPath, bool resume) : path_(path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    const bool exists = fs::exists(status);
    if (path == "-" || (exists && !fs::is_regular_file(status)))
        Fail("a rescue writes each sector at its place, which needs a regular file");
    if (exists && fs::equivalent(path, mapPath, error)) Fail("it is the map file");
    if (const std::optional<char> letter = exists ? tools::DriveBackedBy(path) : std::nullopt)
        Fail(std::string("it is the backing of drive ") + *letter + ":, which it would overwrite");
    if (resume && !exists)
        Fail("it does not exist, and the map file says that earlier runs read sectors into it: give the file they "
             "read into, or another map file");
    file_.reset(std::fopen(path.string().c_str(), resume ? "r+b" : "wb"));
    if (!file_) Fail(tools::SystemReason());
}

void RescueOutput::Fail(const std::string& reason) const {
    throw tools::Failure("cannot write output " + path_.string() + ": " + reason);
}

void RescueOutput::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (!tools::SeekTo(file_.get(), offset) ||
        std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
        Fail(tools::SystemReason());
}

void RescueOutput::Flush() {
    if (std::fflush(file_.get()) != 0) Fail(tools::SystemReason());
}

} // namespace zelvan_cli
