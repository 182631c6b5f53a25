#include "common/input_file.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "common/files.h"
#include "common/outcome.h"

namespace tools {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void CannotRead(const fs::path& path, const std::string& why) {
    throw Failure(path.string() + ": cannot read: " + why);
}

std::string TooLarge(std::uint64_t size, const InputKind& kind) {
    return "at " + std::to_string(size) + " bytes it is larger than " + std::string(kind.name) + " can be (" +
           std::to_string(kind.largest) + " bytes)";
}

} // namespace

void CheckInputFile(const fs::path& path, const InputKind& kind) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error) CannotRead(path, error.message());
    switch (status.type()) {
    case fs::file_type::regular: break;
    case fs::file_type::directory: CannotRead(path, "it is a folder");
    case fs::file_type::fifo: CannotRead(path, "it is a FIFO, not a file");
    case fs::file_type::character:
    case fs::file_type::block: CannotRead(path, "it is a device, not a file");
    default: CannotRead(path, "it is not a regular file");
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) CannotRead(path, error.message());
    if (size > kind.largest) CannotRead(path, TooLarge(size, kind));
}

std::vector<std::uint8_t> ReadInputFile(const fs::path& path, const InputKind& kind) {
    CheckInputFile(path, kind);
    const UniqueFile file(std::fopen(path.string().c_str(), "rb"));
    if (!file) CannotRead(path, SystemReason());
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
        if (got > kind.largest - bytes.size()) CannotRead(path, TooLarge(bytes.size() + got, kind));
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) CannotRead(path, SystemReason());
    return bytes;
}

} // namespace tools
