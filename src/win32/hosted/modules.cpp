#include "win32/hosted/modules.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "win32/hosted/paths.h"
#include "win32/hosted/unique_fd.h"
#include "win32/win32.h"

namespace hosted {

namespace fs = std::filesystem;

namespace {
Refusal FailedTo(const char* what) {
    const int error = errno;
    return {error == EACCES ? ERROR_ACCESS_DENIED : ERROR_MOD_NOT_FOUND,
            std::string("cannot be ") + what + ": " + std::strerror(error)};
}
} // namespace

Result<MappedFile> MappedFile::Open(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) return FailedTo("opened");
    if (!S_ISREG(info.st_mode)) return Refusal{ERROR_MOD_NOT_FOUND, "is not a regular file"};
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size == 0) return MappedFile(nullptr, 0);
    void* base = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd.get(), 0);
    if (base == MAP_FAILED) return FailedTo("mapped");
    return MappedFile(base, size);
}

MappedFile::~MappedFile() {
    if (base_) ::munmap(base_, size_);
}

namespace {

std::optional<std::string> Existing(const fs::path& candidate) {
    std::error_code error;
    if (!fs::is_regular_file(candidate, error)) return std::nullopt;
    fs::path canonical = fs::canonical(candidate, error);
    return error ? std::nullopt : std::optional(canonical.string());
}

} // namespace

std::optional<std::string> FindModuleFile(std::string_view name) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string_view::npos) return Existing(fs::path(name));
    std::error_code ignored;
    const fs::path program = fs::read_symlink("/proc/self/exe", ignored);
    if (auto found = Existing(program.parent_path() / name)) return found;
    if (auto found = Existing(fs::current_path(ignored) / name)) return found;
    const char* libraryPath = std::getenv("LD_LIBRARY_PATH");
    for (std::string_view folders = libraryPath ? libraryPath : ""; !folders.empty();) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (!folder.empty())
            if (auto found = Existing(fs::path(folder) / name)) return found;
    }
    return std::nullopt;
}

std::string_view FileNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool NamesModule(std::string_view name, const std::string& path) {
    if (name.find('/') == std::string_view::npos) return EqualsFolded(name, FileNameOf(path));
    std::error_code error;
    const fs::path canonical = fs::canonical(fs::path(name), error);
    return !error && canonical == fs::path(path);
}

} // namespace hosted
