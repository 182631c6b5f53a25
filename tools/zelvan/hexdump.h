// The canonical hex dump, as hexdump -C prints it: an offset, 16 bytes in hex
// in two groups of eight, the printable characters between bars; a run of
// lines equal to the one before shows as a single "*"; the total length ends it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <vector>

namespace zelvan_cli {

class HexDump {
public:
    // Offsets count from `firstOffset`, as hexdump -s and xxd -s show them.
    explicit HexDump(std::ostream& out, std::uint64_t firstOffset = 0);

    // Bytes may come in pieces of any size; offsets run on across them. The
    // text of every whole line is handed to the stream before it returns.
    void Write(std::span<const std::uint8_t> bytes);
    // Prints the last, partial line and the total length.
    void Finish();

private:
    static constexpr std::size_t lineBytes = 16;
    void EmitLine(const std::uint8_t* line, std::size_t length);
    void Flush();

    std::ostream& out_;
    std::vector<char> text_; // lines not yet handed to the stream
    std::uint64_t firstOffset_;
    std::uint64_t lineOffset_;
    std::array<std::uint8_t, lineBytes> partial_{};
    std::size_t filled_ = 0;
    std::array<std::uint8_t, lineBytes> previous_{};
    bool hasPrevious_ = false;
    bool squeezing_ = false;
};

} // namespace zelvan_cli
