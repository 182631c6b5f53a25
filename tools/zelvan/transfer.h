// Moving a run of sectors through the component, in pieces of at most 1 MiB
// so that a long run needs no buffer of its own size, with a progress bar on
// a terminal and a reason in words when the component returns false.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "orvane/orvane.h"
#include "zelvan/drive_facts.h"

namespace zelvan_cli {

// Small enough that a piece, and the NT road's block it passes through,
// stay in the processor's cache on their way to the output (at 4 MiB the
// extra copy cost a tenth of a 1 GiB read); large enough to be one of the
// runtime's large blocks, which start on a page and are kept for the next
// call.
constexpr std::uint32_t pieceBytes = 1u << 20;

enum class Direction { Read, Write };

struct RunRequest {
    char letter;                                 // upper case
    std::optional<Orvane::TFloppyType> floppy;   // physical floppy sectors of this format
    std::uint32_t first;
    std::uint32_t count;
};

// A floppy run counts the floppy formats' sectors, a logical run the drive's.
std::uint32_t BytesPerSector(const RunRequest& run, const DriveFacts& drive);

// Fills a piece's bytes before it is written, or takes them after it was read.
using PieceBytes = std::function<void(std::span<std::uint8_t>)>;

struct TransferOptions {
    bool force = false; // move a floppy run whose FORMAT differs from the medium's
    // The output goes to the terminal the bar would be drawn on, where the
    // two would run into each other.
    bool outputOnTerminal = false;
};

// Sectors per piece: pieceBytes, and one sector for a floppy write by BIOS
// requests, so that a failure tells exactly which sectors were written.
std::uint32_t SectorsPerPiece(const RunRequest& run, Direction direction, Orvane::TRoad road,
                              std::uint32_t bytesPerSector);

// Moves the run the component holds (FirstSector, Sectors) of `run`'s kind
// through `buffer`, which holds it whole; the component's Boolean.
bool MovePiece(Orvane::TZelvan& zelvan, const RunRequest& run, Direction direction, std::span<std::uint8_t> buffer);

// Why the floppy methods take no sector of `run` at all (not a removable
// drive, a write to another letter than A: or B:); nothing for a logical run.
std::optional<std::string> FloppyRefusal(const RunRequest& run, Direction direction);
// Why the component makes no attempt on this machine (no retries, no road).
std::optional<std::string> NoAttempt(const Orvane::TZelvan& zelvan, const PlatformFacts& platform);

// `drive` is what SelectDrive returned for run.letter, or for a floppy run
// SelectFloppyBound, whose size bound the run is checked against. Checks the whole run
// against the component and the road before the first piece moves; throws
// Failure with the reason, in Windows' words, when anything is refused or a
// piece fails, and for a write says what of the run was written. A write is
// confirmed once, before its first piece. A floppy write by BIOS requests
// moves one sector per piece, so that a failure tells exactly which sectors
// were written.
void TransferRun(Orvane::TZelvan& zelvan, const DriveFacts& drive, const RunRequest& run, Direction direction,
                 const TransferOptions& options, const PieceBytes& bytes);

} // namespace zelvan_cli
