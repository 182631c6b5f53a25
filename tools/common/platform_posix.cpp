#include "common/platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tools {

void HoldClosedStandardStreams() {
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

UniqueFile CreateNewFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    UniqueFile file(::fdopen(fd, "wb"));
    if (!file) ::close(fd);
    return file;
}

UniqueFile OpenStandardOutput() {
    const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    UniqueFile file(::fdopen(fd, "wb"));
    if (!file) ::close(fd);
    return file;
}

bool IsStandardOutput(const std::filesystem::path& path) {
    struct stat named {}, output {};
    return ::stat(path.c_str(), &named) == 0 && ::fstat(STDOUT_FILENO, &output) == 0 && named.st_dev == output.st_dev &&
           named.st_ino == output.st_ino;
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

bool SeekTo(std::FILE* file, std::uint64_t offset) {
    static_assert(sizeof(off_t) == 8, "offsets beyond 4 GiB");
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

} // namespace tools
