// A POSIX file descriptor that closes itself, and the writes every owner of
// one needs.
#pragma once

#include <string_view>
#include <utility>

namespace hosted {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    int get() const { return fd_; }

private:
    int fd_ = -1;
};

// Writes all of `text` to `fd`, going on after an interruption; false when
// the descriptor takes no more.
bool WriteAll(int fd, std::string_view text);

} // namespace hosted
