#include "zelvan/rescue_run.h"

#include <algorithm>
#include <cstring>

#include "common/interruption.h"
#include "common/outcome.h"
#include "common/platform.h"
#include "vcl/memory_manager.h"
#include "zelvan/floppy_check.h"
#include "zelvan/progress.h"
#include "zelvan/rescue_output.h"
#include "zelvan/selection.h"
#include "zelvan/volume_layout.h"

namespace zelvan_cli {

void RescueRun(Orvane::TZelvan& zelvan, const DriveFacts& drive, const RunRequest& run, const TransferOptions& options,
               RescueMap& map, const std::filesystem::path& outputPath) {
    SelectRun(zelvan, drive, run.first, run.count);
    const PlatformFacts platform = QueryPlatform();
    std::optional<std::string> refusal = FloppyRefusal(run, Direction::Read);
    if (!refusal) refusal = NoAttempt(zelvan, platform);
    if (refusal)
        throw tools::Failure("the component could not read sectors " + SectorSpan(run.first, run.first + run.count - 1) +
                             " of " + std::string{run.letter} + ": " + *refusal);
    if (run.floppy && platform.road != Orvane::TRoad::NT)
        CheckFloppyFormat(run.letter, *run.floppy, run.first, run.count, false, options.force);

    RescueOutput output(outputPath, map.Path(), !map.Fresh());
    const std::uint32_t bytesPerSector = BytesPerSector(run, drive);
    const std::uint32_t perPiece = SectorsPerPiece(run, Direction::Read, platform.road, bytesPerSector);
    const std::vector<MapArea> unfinished = map.Unfinished();
    std::uint64_t sectors = 0;
    for (const MapArea& area : unfinished) sectors += area.count;
    if (sectors == 0) return;
    ProgressBar progress(sectors * bytesPerSector, stderr, sectors > perPiece && tools::IsTerminal(stderr));
    const vcl::TMemoryBlock block(static_cast<std::size_t>(std::min<std::uint64_t>(perPiece, sectors)) * bytesPerSector);
    const auto read = [&](std::uint64_t first, std::uint64_t count, std::span<std::uint8_t> buffer) {
        SelectRun(zelvan, drive, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(count));
        return MovePiece(zelvan, run, Direction::Read, buffer);
    };
    for (const MapArea& area : unfinished) {
        for (std::uint64_t at = area.first; at < area.End();) {
            tools::CheckInterruption(); // the map holds every piece before this one
            const std::uint64_t count = std::min<std::uint64_t>(perPiece, area.End() - at);
            const std::span<std::uint8_t> buffer(block.get(), count * bytesPerSector);
            if (read(at, count, buffer)) {
                map.Mark(at, count, sectorsRead);
            } else {
                for (std::uint64_t sector = at; sector < at + count; ++sector) {
                    const std::span<std::uint8_t> one = buffer.subspan((sector - at) * bytesPerSector, bytesPerSector);
                    const bool good = read(sector, 1, one);
                    if (!good) std::memset(one.data(), 0, one.size());
                    map.Mark(sector, 1, good ? sectorsRead : sectorsBad);
                }
            }
            output.WriteAt((at - run.first) * bytesPerSector, buffer);
            output.Flush();
            at += count;
            map.Save(at, at == area.End() && &area == &unfinished.back());
            progress.Advance(buffer.size());
        }
    }
}

std::string RescueSummary(const RunRequest& run, const RescueMap& map, const std::filesystem::path& outputPath) {
    const std::string mapPath = map.Path().string();
    const std::string sectors = "rescue of sectors " + SectorSpan(run.first, std::uint64_t{run.first} + run.count - 1) +
                                " of " + std::string{run.letter} + ": ";
    const std::vector<MapArea> bad = map.Of(sectorsBad);
    const std::uint64_t readCount = map.Count(sectorsRead);
    const std::string read = (readCount == run.count ? "all " : "") + std::to_string(readCount) + " read into " +
                             outputPath.string();
    if (bad.empty()) return sectors + read + " (map " + mapPath + ")";
    const std::uint64_t badCount = map.Count(sectorsBad);
    return sectors + read + ", " +
           std::to_string(badCount) + " bad: " + AreaList(bad) + ", which " + outputPath.string() +
           " holds as zeros and " + mapPath + " marks '-'; run again with the same map file to try " +
           (badCount == 1 ? "it" : "them") + " again";
}

} // namespace zelvan_cli
