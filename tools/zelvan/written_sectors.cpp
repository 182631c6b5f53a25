#include "zelvan/written_sectors.h"

#include <vector>

namespace zelvan_cli {

std::string Sectors(std::uint32_t first, std::uint32_t last, char letter) {
    return "sectors " + std::to_string(first) + " to " + std::to_string(last) + " of " + std::string{letter} + ":";
}

Left LeftByFailure(std::optional<std::uint64_t> mediumWrites, const FaultWords& words, bool unlockRefused) {
    // Where the machine tells, its count decides. On Windows the refusal
    // does: each try of a piece takes the same volume, lock, position and
    // bytes, so a refusal that falls before any byte moves met every try
    // alike, while a device's fault may have come midway through one.
    if (mediumWrites ? *mediumWrites == 0 : words.movedNothing) return Left::Nothing;
    return unlockRefused ? Left::All : Left::Perhaps;
}

std::string WhatWasWritten(const RunRequest& run, Piece piece, Left left) {
    const std::uint64_t last = std::uint64_t{run.first} + run.count - 1;
    // A piece written whole joins the pieces before it.
    const std::uint64_t written = left == Left::All ? std::uint64_t{piece.Last()} + 1 : piece.first;
    std::vector<std::string> parts;
    if (written > run.first)
        parts.push_back(Sectors(run.first, static_cast<std::uint32_t>(written - 1), run.letter) + " were written");
    std::uint64_t untouched = written;
    if (left == Left::Perhaps) {
        parts.push_back(Sectors(piece.first, piece.Last(), run.letter) + " may have been written");
        untouched = std::uint64_t{piece.Last()} + 1;
    }
    if (parts.empty()) return "; nothing was written";
    if (untouched <= last)
        parts.push_back(Sectors(static_cast<std::uint32_t>(untouched), static_cast<std::uint32_t>(last), run.letter) +
                        " were not");
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "; " : ", ") + part;
    return text;
}

} // namespace zelvan_cli
