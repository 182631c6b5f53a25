#include "common/platform.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace tools {

void HoldClosedStandardStreams() {}

UniqueFile CreateNewFile(const std::filesystem::path& path) {
    const int fd = ::_open(path.string().c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    UniqueFile file(::_fdopen(fd, "wb"));
    if (!file) ::_close(fd);
    return file;
}

UniqueFile OpenStandardOutput() {
    const int fd = ::_dup(::_fileno(stdout));
    if (fd < 0) return nullptr;
    ::_setmode(fd, _O_BINARY);
    UniqueFile file(::_fdopen(fd, "wb"));
    if (!file) ::_close(fd);
    return file;
}

// No path names a console or a pipe as /dev/stdout does.
bool IsStandardOutput(const std::filesystem::path&) { return false; }

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

bool SeekTo(std::FILE* file, std::uint64_t offset) {
    return ::_fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

} // namespace tools
