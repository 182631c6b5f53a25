#include "zelvan/transfer.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/outcome.h"
#include "zelvan/machine_setup.h"
#include "zelvan/progress.h"
#include "zelvan/selection.h"

namespace zelvan_cli {

namespace {

struct Piece {
    std::uint32_t first;
    std::uint32_t count;
};

std::string Sectors(std::uint32_t first, std::uint32_t count, char letter) {
    return "sectors " + std::to_string(first) + " to " + std::to_string(std::uint64_t{first} + count - 1) + " of " +
           std::string{letter} + ":";
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// The component refuses a piece that starts beyond the NT road's reach.
// Finding that out at the last piece would leave a write half done, so look
// before the first.
void CheckReach(TRoad road, const RunRequest& run, std::uint32_t bytesPerSector, std::uint32_t perPiece) {
    if (road != TRoad::NT) return;
    const std::uint64_t lastStart = run.first + std::uint64_t{run.count - 1} / perPiece * perPiece;
    const std::uint64_t offset = lastStart * bytesPerSector;
    if (!Orvane::IsWithinNtReach(offset))
        throw tools::Failure("the NT road reaches only the first 2 GiB of a volume (a signed 32-bit byte offset), and "
                      "sector " + std::to_string(lastStart) + " starts at byte " + std::to_string(offset) +
                      "; nothing was transferred");
}

bool MovePiece(Orvane::TZelvan& zelvan, const RunRequest& run, Direction direction, std::vector<std::uint8_t>& buffer) {
    const int high = static_cast<int>(buffer.size()) - 1;
    if (run.floppy)
        return direction == Direction::Read
                   ? zelvan.ReadFloppySectors(run.letter, buffer.data(), high, *run.floppy)
                   : zelvan.WriteFloppySectors(run.letter, buffer.data(), high, *run.floppy, false);
    return direction == Direction::Read ? zelvan.ReadSectors(buffer.data(), high)
                                        : zelvan.WriteSectors(buffer.data(), high);
}

std::string ExplainFailure(const Orvane::TZelvan& zelvan, const RunRequest& run, Direction direction, TRoad road,
                           bool asked, Piece piece) {
    const char letter = run.letter;
    if (run.floppy) {
        const UINT type = GetDriveTypeA(Orvane::TRootPath(letter).Text);
        if (!Orvane::IsFloppyDriveType(type))
            return "drive " + std::string{letter} + ": is " + DriveTypeName(type) +
                   ", not removable: the floppy methods take only a removable drive";
        if (direction == Direction::Write && !Orvane::IsFloppyWriteLetter(letter))
            return "floppy writes go only to A: or B:, not to " + std::string{letter} + ":";
    }
    const auto confirmation = asked ? machine::LastConfirmation() : std::nullopt;
    if (confirmation && confirmation->declined)
        return "the write was not confirmed (the answer to \"" + OneLine(confirmation->text) +
               "\" was No); nothing was written";
    if (zelvan.Retries() == 0) return "no attempt was made: the retry count is 0";
    if (road == TRoad::None)
        return "the machine reports a platform on which the component transfers nothing "
               "(it knows Windows 95/98 and NT only)";
    const unsigned attempts = zelvan.Retries();
    std::string reason = std::string("the component could not ") + (direction == Direction::Read ? "read " : "write ") +
                         Sectors(piece.first, piece.count, letter) + " (" + std::to_string(attempts) +
                         (attempts == 1 ? " attempt" : " attempts");
    reason += run.floppy && road != TRoad::NT ? " per sector)" : ")";
    if (asked && !confirmation) reason += " or the write was not confirmed";
    if (direction == Direction::Write && piece.first != run.first)
        reason += "; " + Sectors(run.first, piece.first - run.first, letter) + " were written";
    return reason + "; --trace shows the Win32 calls";
}

} // namespace

std::uint32_t BytesPerSector(const RunRequest& run, const DriveFacts& drive) {
    return run.floppy ? Orvane::FloppySectorBytes : drive.geometry.BytesPerSector;
}

void TransferRun(Orvane::TZelvan& zelvan, const DriveFacts& drive, const RunRequest& run, Direction direction,
                 const PieceBytes& bytes) {
    const std::uint32_t bytesPerSector = BytesPerSector(run, drive);
    SelectRun(zelvan, drive, run.first, run.count);
    const std::uint32_t perPiece = std::max<std::uint32_t>(1, pieceBytes / bytesPerSector);
    const TRoad road = QueryPlatform().road;
    CheckReach(road, run, bytesPerSector, perPiece);

    ProgressBar progress(std::uint64_t{run.count} * bytesPerSector, stderr,
                         run.count > perPiece && StandardErrorIsTerminal());
    std::vector<std::uint8_t> buffer;
    for (std::uint32_t done = 0; done < run.count;) {
        const Piece piece{run.first + done, std::min(perPiece, run.count - done)};
        SelectRun(zelvan, drive, piece.first, piece.count);
        buffer.resize(std::size_t{piece.count} * bytesPerSector);
        if (direction == Direction::Write) bytes(buffer);
        const bool asked = direction == Direction::Write && zelvan.NeedWriteWarn();
        if (!MovePiece(zelvan, run, direction, buffer))
            throw tools::Failure(ExplainFailure(zelvan, run, direction, road, asked, piece));
        if (direction == Direction::Read) bytes(buffer);
        // The user has agreed to the whole run; the later pieces are not asked about again.
        zelvan.SetNeedWriteWarn(false);
        progress.Advance(buffer.size());
        done += piece.count;
    }
}

} // namespace zelvan_cli
