#include "zelvan/hexdump.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace zelvan_cli {

void HexDump::Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const std::size_t take = std::min(bytes.size(), lineBytes - filled_);
        std::copy_n(bytes.begin(), take, line_.begin() + static_cast<std::ptrdiff_t>(filled_));
        filled_ += take;
        bytes = bytes.subspan(take);
        if (filled_ == lineBytes) EmitLine(lineBytes);
    }
}

void HexDump::Finish() {
    if (filled_ > 0) EmitLine(filled_);
    if (lineOffset_ == 0) return;
    char end[24];
    const int length = std::snprintf(end, sizeof end, "%08" PRIx64 "\n", lineOffset_);
    out_.write(end, length);
}

void HexDump::EmitLine(std::size_t length) {
    const bool repeat = length == lineBytes && hasPrevious_ && line_ == previous_;
    if (repeat) {
        if (!squeezing_) out_ << "*\n";
        squeezing_ = true;
    } else {
        // "00000000  " + 16 x "xx " + 1 group gap + " |" + 16 characters + "|\n"
        char text[96];
        int at = std::snprintf(text, sizeof text, "%08" PRIx64 "  ", lineOffset_);
        for (std::size_t i = 0; i < lineBytes; ++i) {
            if (i < length)
                at += std::snprintf(text + at, sizeof text - static_cast<std::size_t>(at), "%02x ", line_[i]);
            else
                at += std::snprintf(text + at, sizeof text - static_cast<std::size_t>(at), "   ");
            if (i == 7) text[at++] = ' ';
        }
        text[at++] = ' ';
        text[at++] = '|';
        for (std::size_t i = 0; i < length; ++i)
            text[at++] = (line_[i] >= 0x20 && line_[i] < 0x7F) ? static_cast<char>(line_[i]) : '.';
        text[at++] = '|';
        text[at++] = '\n';
        out_.write(text, at);
        squeezing_ = false;
    }
    previous_ = line_;
    hasPrevious_ = length == lineBytes;
    lineOffset_ += length;
    filled_ = 0;
}

} // namespace zelvan_cli
