// A read that goes on past bad sectors: a piece that fails is read again
// sector by sector, and a sector that still fails is left as zeros in the
// output and recorded as bad in the map file, which a later run resumes.
#pragma once

#include <filesystem>

#include "orvane/orvane.h"
#include "zelvan/drive_facts.h"
#include "zelvan/rescue_map.h"
#include "zelvan/transfer.h"

namespace zelvan_cli {

// Reads what `map` does not hold as read of `run` (checked whole against
// `drive` first, as TransferRun checks it) into the file `outputPath`, at
// each sector's place in the run, saving the map after each piece. Throws
// Failure when the component makes no attempt at all, or when the output or
// the map cannot be written.
void RescueRun(Orvane::TZelvan& zelvan, const DriveFacts& drive, const RunRequest& run, const TransferOptions& options,
               RescueMap& map, const std::filesystem::path& outputPath);

// "sectors 0 to 2879 of A:: 2877 read, 3 bad (sectors 100 to 101 and
// 2000), ..." what the map holds of the run after a rescue.
std::string RescueSummary(const RunRequest& run, const RescueMap& map, const std::filesystem::path& outputPath);

} // namespace zelvan_cli
