#include "sparse_image.h"

#include <algorithm>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

namespace {
bool AllZero(const Bytes& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

class Fd {
public:
    explicit Fd(const std::filesystem::path& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ < 0) throw std::runtime_error("cannot open " + path.string());
    }
    ~Fd() { ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};
} // namespace

SparseImage SparseImage::Read(const std::filesystem::path& path) {
    const Fd fd(path);
    SparseImage image;
    image.size_ = std::filesystem::file_size(path);
    const auto size = static_cast<off_t>(image.size_);
    for (off_t data = ::lseek(fd.get(), 0, SEEK_DATA); data >= 0 && data < size;) {
        const off_t hole = ::lseek(fd.get(), data, SEEK_HOLE);
        for (std::uint64_t page = static_cast<std::uint64_t>(data) / pageBytes;
             page * pageBytes < static_cast<std::uint64_t>(hole); ++page) {
            Bytes bytes(pageBytes);
            const ssize_t got = ::pread(fd.get(), bytes.data(), bytes.size(), static_cast<off_t>(page * pageBytes));
            if (got < 0) throw std::runtime_error("cannot read " + path.string());
            bytes.resize(static_cast<std::size_t>(got));
            image.Keep(page, std::move(bytes));
        }
        data = ::lseek(fd.get(), hole, SEEK_DATA);
    }
    return image;
}

void SparseImage::Keep(std::uint64_t page, Bytes bytes) {
    if (AllZero(bytes))
        pages_.erase(page);
    else
        pages_.insert_or_assign(page, std::move(bytes));
}

void SparseImage::Write(std::uint64_t offset, const Bytes& bytes) {
    size_ = std::max<std::uint64_t>(size_, offset + bytes.size());
    for (std::uint64_t at = offset; at < offset + bytes.size();) {
        const std::uint64_t page = at / pageBytes;
        Bytes content = pages_.count(page) ? pages_.at(page) : Bytes();
        content.resize(std::min(pageBytes, size_ - page * pageBytes));
        const std::uint64_t end = std::min(offset + bytes.size(), (page + 1) * pageBytes);
        std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(at - offset),
                  bytes.begin() + static_cast<std::ptrdiff_t>(end - offset),
                  content.begin() + static_cast<std::ptrdiff_t>(at - page * pageBytes));
        Keep(page, std::move(content));
        at = end;
    }
}

::testing::AssertionResult SameImage(const SparseImage& actual, const SparseImage& expected) {
    if (actual.size_ != expected.size_)
        return ::testing::AssertionFailure() << "sizes " << actual.size_ << " and " << expected.size_;
    auto a = actual.pages_.begin();
    auto e = expected.pages_.begin();
    for (; a != actual.pages_.end() && e != expected.pages_.end(); ++a, ++e) {
        if (a->first != e->first) break;
        if (const auto same = SameBytes(a->second, e->second); !same)
            return ::testing::AssertionFailure() << "at byte " << a->first * SparseImage::pageBytes << ": "
                                                 << same.message();
    }
    if (a == actual.pages_.end() && e == expected.pages_.end()) return ::testing::AssertionSuccess();
    const std::uint64_t page = e == expected.pages_.end()                                 ? a->first
                               : a == actual.pages_.end() || e->first < a->first ? e->first
                                                                                          : a->first;
    return ::testing::AssertionFailure() << "the page at byte " << page * SparseImage::pageBytes
                                         << " holds data in one image and zeros in the other";
}

} // namespace testsupport
