// What a write that stopped left of its run, in the words its failure ends
// with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "zelvan/failure_words.h"
#include "zelvan/transfer.h"

namespace zelvan_cli {

// The sectors of a run that one call of the component moves.
struct Piece {
    std::uint32_t first;
    std::uint32_t count;
    std::uint32_t Last() const { return first + count - 1; }
};

// "sectors 100 to 199 of C:".
std::string Sectors(std::uint32_t first, std::uint32_t last, char letter);

// What a failed piece of a write may have left on the drive.
enum class Left { Nothing, Perhaps, All };

// What a piece left when it failed. `mediumWrites` is how often the machine
// set out to write to a medium during the piece, where it tells; `words` the
// refusal that ended it; `unlockRefused` that the NT road could not unlock
// the volume, which it does after the whole run was written.
Left LeftByFailure(std::optional<std::uint64_t> mediumWrites, const FaultWords& words, bool unlockRefused);

// What a write that stopped at `piece` has done to the run, sector by sector
// as far as the tool knows: "; sectors 100 to 199 of C: were written, sectors
// 200 to 299 of C: may have been written, sectors 300 to 399 of C: were not",
// or "; nothing was written".
std::string WhatWasWritten(const RunRequest& run, Piece piece, Left left);

} // namespace zelvan_cli
