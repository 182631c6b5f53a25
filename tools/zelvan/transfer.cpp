#include "zelvan/transfer.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "common/interruption.h"
#include "common/outcome.h"
#include "common/platform.h"
#include "vcl/memory_manager.h"
#include "win32/fat_type.h"
#include "win32/windows_versions.h"
#include "zelvan/failure_words.h"
#include "zelvan/floppy_check.h"
#include "zelvan/machine_setup.h"
#include "zelvan/progress.h"
#include "zelvan/selection.h"
#include "zelvan/written_sectors.h"

namespace zelvan_cli {

using Orvane::TRoad;

namespace {

static_assert(pieceBytes >= vcl::LargeBlockSize, "a piece's block must be one the runtime keeps");

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Why Windows refused the piece: the NT road's last error, or the first
// service the VWIN32 device refused on the Windows 95 roads.
FaultWords RefusalOf(const Orvane::TZelvan& zelvan, const DriveFacts& drive, char letter, const PlatformFacts& platform,
                     Direction direction, bool floppy, DWORD error, const std::optional<machine::DeviceRefusal>& refusal) {
    const TRoad road = platform.road;
    const bool nt = road == TRoad::NT;
    if (!nt && refusal)
        return DeviceRefusalWords(refusal->service, refusal->eax,
                                  !floppy && win32::FatTypeOf(drive.geometry.TotalClusters) == win32::FatType::Fat32);
    if (!nt) return {"the VWIN32 device could not carry out the request (" + WindowsErrorName(error) + ")"};
    FaultWords words = WindowsErrorWords(error);
    if (error == ERROR_ACCESS_DENIED && direction == Direction::Write && !zelvan.NeedDiskLock() &&
        win32::GuardsMountedVolumes(platform.platformId, platform.buildNumber)) {
        words.text = "the volume refused the write (ERROR_ACCESS_DENIED): from Windows Vista on, a write into the "
                     "space of a mounted file system needs the volume locked, which --lock does (unless another "
                     "program has locked it)";
        return words;
    }
    const std::optional<machine::DriveBacking> backing = machine::InspectDrive(letter);
    if (error == ERROR_INVALID_PARAMETER && backing && backing->sectorBytes > 0)
        words.text += ": the device's sectors are " + std::to_string(backing->sectorBytes) + " bytes, the run's " +
                      std::to_string(floppy ? Orvane::FloppySectorBytes : drive.geometry.BytesPerSector);
    return words;
}

// The call by which a road moves a run's bytes: its name on the machine,
// and how a message counts it ("ReadFile call", "INT 25h request").
struct TransferCall {
    std::string_view name;
    std::string label;
    std::string_view noun;
};

TransferCall TransferCallOf(TRoad road, bool floppy, Direction direction) {
    const bool read = direction == Direction::Read;
    if (road == TRoad::NT) {
        const std::string_view call = read ? "ReadFile" : "WriteFile";
        return {call, std::string(call), "call"};
    }
    const std::string_view service = floppy                          ? "INT13"
                                     : road == TRoad::Win95Extended ? "INT21-7305"
                                     : read                         ? "INT25"
                                                                    : "INT26";
    return {service, ServiceLabel(service), "request"};
}

// "no ReadFile call", "1 ReadFile call", "4 ReadFile calls".
std::string Counted(std::uint64_t count, const TransferCall& call) {
    const std::string thing = call.label + " " + std::string(call.noun);
    return count == 0 ? "no " + thing : std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// How often the component tried, with the transfer calls that made when
// the machine tells: "2 attempts, 4 ReadFile calls". On NT the road's own
// tries nest within each attempt, up to Retries x Retries calls; a floppy
// run there is one call of the road, whose tries are the calls.
std::string TriesText(bool floppy, TRoad road, unsigned retries, const TransferCall& call,
                      std::optional<std::uint64_t> calls) {
    if (road == TRoad::NT && floppy) return calls ? Counted(*calls, call) : "up to " + Counted(retries, call);
    std::string text = std::to_string(retries) + (retries == 1 ? " attempt" : " attempts") + (floppy ? " per sector" : "");
    if (calls) return text + ", " + Counted(*calls, call);
    if (road == TRoad::NT) text += " of up to " + Counted(retries, call) + " each";
    return text;
}

struct Explanation {
    std::string reason;
    Left left; // for a write
};

Explanation ExplainFailure(const Orvane::TZelvan& zelvan, const DriveFacts& drive, const RunRequest& run,
                           Direction direction, const PlatformFacts& platform, bool asked, Piece piece, DWORD error,
                           const std::optional<machine::DeviceRefusal>& refusal, const TransferCall& call,
                           const std::optional<machine::Tally>& made) {
    const char letter = run.letter;
    const TRoad road = platform.road;
    if (std::optional<std::string> refusal = FloppyRefusal(run, direction)) return {*refusal, Left::Nothing};
    const auto confirmation = asked ? machine::LastConfirmation() : std::nullopt;
    if (confirmation && !confirmation->shown)
        return {"the write was not confirmed: the question \"" + OneLine(confirmation->text) +
                    "\" could not be shown (MessageBoxA failed)",
                Left::Nothing};
    if (confirmation && confirmation->declined && confirmation->nobodyAsked)
        return {"the write was not confirmed: nobody could be asked \"" + OneLine(confirmation->text) +
                    "\" (there is no terminal, and no answer was given); --yes writes without asking",
                Left::Nothing};
    if (confirmation && confirmation->declined)
        return {"the write was not confirmed (the answer to \"" + OneLine(confirmation->text) + "\" was No)",
                Left::Nothing};
    if (std::optional<std::string> refusal = NoAttempt(zelvan, platform)) return {*refusal, Left::Nothing};
    const FaultWords words =
        RefusalOf(zelvan, drive, letter, platform, direction, run.floppy.has_value(), error, refusal);
    std::string reason = std::string("the component could not ") + (direction == Direction::Read ? "read " : "write ") +
                         Sectors(piece.first, piece.Last(), letter) + " (" +
                         TriesText(run.floppy.has_value(), road, zelvan.Retries(), call,
                                   made ? std::optional(made->calls) : std::nullopt) +
                         ")";
    if (asked && !confirmation) reason += " or the write was not confirmed";
    reason += ": " + words.text;
    return {reason + "; --trace shows the Win32 calls",
            LeftByFailure(made ? std::optional(made->mediumWrites) : std::nullopt, words,
                          road == TRoad::NT && error == ERROR_NOT_LOCKED)};
}

} // namespace

std::uint32_t SectorsPerPiece(const RunRequest& run, Direction direction, TRoad road, std::uint32_t bytesPerSector) {
    if (run.floppy && direction == Direction::Write && road != TRoad::NT) return 1;
    return std::max<std::uint32_t>(1, pieceBytes / bytesPerSector);
}

bool MovePiece(Orvane::TZelvan& zelvan, const RunRequest& run, Direction direction, std::span<std::uint8_t> buffer) {
    const int high = static_cast<int>(buffer.size()) - 1;
    if (run.floppy)
        return direction == Direction::Read
                   ? zelvan.ReadFloppySectors(run.letter, buffer.data(), high, *run.floppy)
                   : zelvan.WriteFloppySectors(run.letter, buffer.data(), high, *run.floppy, false);
    return direction == Direction::Read ? zelvan.ReadSectors(buffer.data(), high)
                                        : zelvan.WriteSectors(buffer.data(), high);
}

std::optional<std::string> FloppyRefusal(const RunRequest& run, Direction direction) {
    if (!run.floppy) return std::nullopt;
    const char letter = run.letter;
    const UINT type = GetDriveTypeA(Orvane::TRootPath(letter).Text);
    if (!Orvane::IsFloppyDriveType(type))
        return "drive " + std::string{letter} + ": is " + DriveTypeName(type) +
               ", not removable: the floppy methods take only a removable drive";
    if (direction == Direction::Write && !Orvane::IsFloppyWriteLetter(letter))
        return "floppy writes go only to A: or B:, not to " + std::string{letter} + ":";
    return std::nullopt;
}

std::optional<std::string> NoAttempt(const Orvane::TZelvan& zelvan, const PlatformFacts& platform) {
    if (zelvan.Retries() == 0) return "no attempt was made: the retry count is 0";
    if (platform.road == TRoad::None && platform.platformId == Orvane::Win95)
        return "the machine reports Windows 95/98, whose VWIN32 roads a 64-bit program cannot take "
               "(their requests carry 32-bit addresses): only the NT road exists here";
    if (platform.road == TRoad::None)
        return "the machine reports a platform on which the component transfers nothing "
               "(it knows Windows 95/98 and NT only)";
    return std::nullopt;
}

std::uint32_t BytesPerSector(const RunRequest& run, const DriveFacts& drive) {
    return run.floppy ? Orvane::FloppySectorBytes : drive.geometry.BytesPerSector;
}

void TransferRun(Orvane::TZelvan& zelvan, const DriveFacts& drive, const RunRequest& run, Direction direction,
                 const TransferOptions& options, const PieceBytes& bytes) {
    const std::uint32_t bytesPerSector = BytesPerSector(run, drive);
    // What stops a write before a piece moves says what the earlier pieces
    // wrote; the user's stopping it among them, which takes effect here.
    const auto beforePiece = [&](Piece piece, const auto& step) {
        try {
            tools::CheckInterruption();
            step();
        } catch (const tools::Failure& failure) {
            if (direction == Direction::Read) throw;
            throw tools::Failure(failure.what() + WhatWasWritten(run, piece, Left::Nothing));
        } catch (const tools::Interrupted& stop) {
            if (direction == Direction::Read) throw;
            throw stop.With(WhatWasWritten(run, piece, Left::Nothing));
        }
    };
    beforePiece(Piece{run.first, run.count}, [&] { SelectRun(zelvan, drive, run.first, run.count); });
    const PlatformFacts platform = QueryPlatform();
    const TRoad road = platform.road;
    const std::uint32_t perPiece = SectorsPerPiece(run, direction, road, bytesPerSector);
    const TransferCall transferCall = TransferCallOf(road, run.floppy.has_value(), direction);
    if (run.floppy && road != TRoad::NT)
        CheckFloppyFormat(run.letter, *run.floppy, run.first, run.count, direction == Direction::Write,
                          options.force);
    if (zelvan.NeedDiskLock() && run.count > perPiece)
        std::fprintf(stderr, "zelvan: note: --lock locks the volume for each piece of at most %u sectors on its own, "
                             "not for the whole run: between pieces another program may use the volume\n",
                     static_cast<unsigned>(perPiece));

    if (direction == Direction::Write && zelvan.NeedWriteWarn() && machine::PersonWillBeAsked()) {
        std::string note = "zelvan: about to write " + Sectors(run.first, run.first + run.count - 1, run.letter);
        if (const std::optional<machine::DriveBacking> backing = machine::InspectDrive(run.letter); backing && backing->mapped)
            note += ", backed by " + backing->path;
        std::fprintf(stderr, "%s\n", note.c_str());
    }

    ProgressBar progress(std::uint64_t{run.count} * bytesPerSector, stderr,
                         run.count > perPiece && tools::IsTerminal(stderr) && !options.outputOnTerminal);
    // One block for every piece, from the runtime, which starts a long one on
    // a page: the system copies to and from such memory fastest.
    const vcl::TMemoryBlock block(std::size_t{std::min(perPiece, run.count)} * bytesPerSector);
    for (std::uint32_t done = 0; done < run.count;) {
        const Piece piece{run.first + done, std::min(perPiece, run.count - done)};
        const std::span<std::uint8_t> buffer(block.get(), std::size_t{piece.count} * bytesPerSector);
        beforePiece(piece, [&] {
            // The whole run is selected already when it is one piece.
            if (piece.count != run.count) SelectRun(zelvan, drive, piece.first, piece.count);
            if (direction == Direction::Write) bytes(buffer);
        });
        const bool asked = direction == Direction::Write && zelvan.NeedWriteWarn();
        // What the piece's calls say when they fail, and nothing older.
        SetLastError(ERROR_SUCCESS);
        machine::TakeDeviceRefusal();
        const std::optional<machine::Tally> before = machine::TallySoFar(transferCall.name);
        if (!MovePiece(zelvan, run, direction, buffer)) {
            const DWORD error = GetLastError();
            const std::optional<machine::Tally> after = machine::TallySoFar(transferCall.name);
            const std::optional<machine::Tally> made =
                before && after ? std::optional(machine::Tally{after->calls - before->calls,
                                                               after->mediumWrites - before->mediumWrites})
                                : std::nullopt;
            const Explanation explanation = ExplainFailure(zelvan, drive, run, direction, platform, asked, piece, error,
                                                           machine::TakeDeviceRefusal(), transferCall, made);
            const std::string written = direction == Direction::Write ? WhatWasWritten(run, piece, explanation.left) : "";
            // Stopped at the question, say, which then had no Yes.
            if (const int signal = tools::InterruptionSignal()) throw tools::Interrupted(signal, written);
            throw tools::Failure(explanation.reason + written);
        }
        if (direction == Direction::Read) bytes(buffer);
        // The user has agreed to the whole run; the later pieces are not asked about again.
        zelvan.SetNeedWriteWarn(false);
        progress.Advance(buffer.size());
        done += piece.count;
    }
}

} // namespace zelvan_cli
