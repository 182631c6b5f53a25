// What a step of the hosted PC gives back: what it found, or the Windows
// error it ends with and why, in words that follow the name of the medium or
// file it looked at ("is empty", "holds no FAT boot sector: ...").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace hosted {

// A DWORD of win32.h, which this header leaves out: ntfs_library.h sees it
// and libntfs-3g's own BOOL and GENERIC_READ, but not win32.h's.
using WindowsError = std::uint32_t;

struct Refusal {
    WindowsError error;
    std::string reason;
};

template <class T>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Refusal refusal) : refusal_(std::move(refusal)) {}

    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

    // ERROR_SUCCESS (0) when there is a value.
    WindowsError Error() const { return refusal_.error; }
    const std::string& Reason() const { return refusal_.reason; }
    // Why there is no value, to end another step with.
    const Refusal& Refused() const { return refusal_; }

private:
    std::optional<T> value_;
    Refusal refusal_{0, {}};
};

} // namespace hosted
