#include "zelvan/hexdump.h"

#include <algorithm>
#include <cstring>

namespace zelvan_cli {

namespace {

// "00000000  " + 16 x "xx " + 1 group gap + " |" + 16 characters + "|\n",
// with room for an offset of 16 digits.
constexpr std::size_t longestLine = 16 + 2 + 16 * 3 + 1 + 2 + 16 + 2;
// Text is handed to the stream in blocks of about this size: large enough
// that the stream's own cost vanishes, small enough to stay in the caches.
constexpr std::size_t blockBytes = 1 << 16;

constexpr char hexDigits[] = "0123456789abcdef";

// At least eight lower-case hex digits, as "%08x" writes them.
char* PutOffset(char* at, std::uint64_t offset) {
    int digits = 8;
    while (digits < 16 && (offset >> (4 * digits)) != 0) ++digits;
    for (int i = digits - 1; i >= 0; --i) *at++ = hexDigits[(offset >> (4 * i)) & 0xF];
    return at;
}

char Printable(std::uint8_t byte) { return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.'; }

} // namespace

HexDump::HexDump(std::ostream& out, std::uint64_t firstOffset)
    : out_(out), firstOffset_(firstOffset), lineOffset_(firstOffset) {
    text_.reserve(blockBytes + longestLine);
}

void HexDump::Write(std::span<const std::uint8_t> bytes) {
    if (filled_ > 0) {
        const std::size_t take = std::min(bytes.size(), lineBytes - filled_);
        std::copy_n(bytes.begin(), take, partial_.begin() + static_cast<std::ptrdiff_t>(filled_));
        filled_ += take;
        bytes = bytes.subspan(take);
        if (filled_ < lineBytes) return;
        EmitLine(partial_.data(), lineBytes);
        filled_ = 0;
    }
    // Whole lines straight from the caller's bytes.
    for (; bytes.size() >= lineBytes; bytes = bytes.subspan(lineBytes)) {
        EmitLine(bytes.data(), lineBytes);
        if (text_.size() >= blockBytes) Flush();
    }
    std::copy(bytes.begin(), bytes.end(), partial_.begin());
    filled_ = bytes.size();
    Flush();
}

void HexDump::Finish() {
    if (filled_ > 0) EmitLine(partial_.data(), filled_);
    filled_ = 0;
    if (lineOffset_ > firstOffset_) {
        char end[longestLine];
        char* at = PutOffset(end, lineOffset_);
        *at++ = '\n';
        text_.insert(text_.end(), end, at);
    }
    Flush();
}

void HexDump::EmitLine(const std::uint8_t* line, std::size_t length) {
    const bool whole = length == lineBytes;
    if (whole && hasPrevious_ && std::memcmp(line, previous_.data(), lineBytes) == 0) {
        if (!squeezing_) text_.insert(text_.end(), {'*', '\n'});
        squeezing_ = true;
    } else {
        char text[longestLine];
        char* at = PutOffset(text, lineOffset_);
        at[0] = at[1] = ' ';
        at += 2;
        for (std::size_t i = 0; i < lineBytes; ++i) {
            if (i < length) {
                at[0] = hexDigits[line[i] >> 4];
                at[1] = hexDigits[line[i] & 0xF];
            } else {
                at[0] = at[1] = ' ';
            }
            at[2] = ' ';
            at += 3;
            if (i == 7) *at++ = ' ';
        }
        *at++ = ' ';
        *at++ = '|';
        for (std::size_t i = 0; i < length; ++i) *at++ = Printable(line[i]);
        *at++ = '|';
        *at++ = '\n';
        text_.insert(text_.end(), text, at);
        squeezing_ = false;
    }
    if (whole) std::memcpy(previous_.data(), line, lineBytes);
    hasPrevious_ = whole;
    lineOffset_ += length;
}

void HexDump::Flush() {
    if (text_.empty()) return;
    out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    text_.clear();
}

} // namespace zelvan_cli
