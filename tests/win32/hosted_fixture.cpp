#include "hosted_fixture.h"

#include <fcntl.h>
#include <optional>
#include <sstream>

namespace hostedtest {

std::filesystem::path HostedTest::MapImage(char letter, unsigned kib, const std::string& options,
                                           hosted::DriveKind kind, bool readOnly) {
    std::filesystem::path image = testsupport::MakeFatImage(dir, std::string(1, letter) + ".img", kib, options);
    hosted::MapDrive(letter, {image.string(), kind, readOnly});
    return image;
}

Reads ReadsSoFar() {
    // What looking here has read, which the counts include from the next look on.
    static Reads own{0, 0};
    char text[4096];
    const int fd = ::open("/proc/self/io", O_RDONLY | O_CLOEXEC);
    const ssize_t length = fd < 0 ? -1 : ::read(fd, text, sizeof text);
    if (fd >= 0) ::close(fd);
    if (length <= 0) throw std::runtime_error("/proc/self/io cannot be read");
    std::istringstream io(std::string(text, static_cast<std::size_t>(length)));
    std::optional<std::uint64_t> calls, bytes;
    std::string key;
    for (std::uint64_t value = 0; io >> key >> value;) {
        if (key == "syscr:") calls = value;
        if (key == "rchar:") bytes = value;
    }
    if (!calls || !bytes) throw std::runtime_error("/proc/self/io has no syscr or rchar");
    const Reads reads = Reads{*calls, *bytes} - own;
    own.calls += 1;
    own.bytes += static_cast<std::uint64_t>(length);
    return reads;
}

} // namespace hostedtest
