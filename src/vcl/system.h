// The runtime's basic types.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace vcl {

// The runtime's unsigned 32-bit type. The vcl30 generation had no unsigned
// 32-bit integer: its Cardinal is a signed type of which 0..MaxInt is used.
#ifdef ZELVAN_VCL30
using Cardinal = std::int32_t;
#else
using Cardinal = std::uint32_t;
#endif

// Cardinal arithmetic wraps modulo 2^32 in both generations, as the runtime's
// unchecked integer arithmetic does.
constexpr Cardinal WrappingAdd(Cardinal a, Cardinal b) {
    return static_cast<Cardinal>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr Cardinal WrappingMul(Cardinal a, Cardinal b) {
    return static_cast<Cardinal>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// An open array is passed as the address of its first element and High,
// the index of its last element: its length is High + 1, and an empty one
// has High -1.
constexpr std::size_t OpenArrayLength(int High) { return High >= 0 ? std::size_t(High) + 1 : 0; }
// The High of an array of Length elements. One longer than High can tell
// passes as its first 2^31 elements.
constexpr int OpenArrayHigh(std::size_t Length) {
    return Length == 0 ? -1 : static_cast<int>(std::min<std::size_t>(Length - 1, std::numeric_limits<int>::max()));
}

// Reference-counted 8-bit string: copies share one immutable buffer, and the
// empty string holds nothing.
class AnsiString {
public:
    AnsiString() = default;
    AnsiString(const char* text) : AnsiString(std::string_view(text ? text : "")) {}
    AnsiString(std::string_view text)
        : data_(text.empty() ? nullptr : std::make_shared<const std::string>(text)) {}

    std::size_t Length() const { return data_ ? data_->size() : 0; }
    bool IsEmpty() const { return !data_; }
    const char* c_str() const { return data_ ? data_->c_str() : ""; }
    std::string_view View() const { return data_ ? std::string_view(*data_) : std::string_view(); }
    // How many strings share this text; 0 for the empty string.
    long RefCount() const { return data_.use_count(); }

    friend bool operator==(const AnsiString& a, const AnsiString& b) { return a.View() == b.View(); }
    friend bool operator==(const AnsiString& a, std::string_view b) { return a.View() == b; }

private:
    std::shared_ptr<const std::string> data_;
};

} // namespace vcl
