// Choosing the drive and the run on a component. The component refuses a bad
// value silently; these read each property back and, when it did not take,
// explain why with the drive's figures.
#pragma once

#include <cstdint>

#include "orvane/orvane.h"
#include "zelvan/drive_facts.h"

namespace zelvan_cli {

// Sets DriveName; throws Failure when the letter is not one or the drive
// cannot be measured. Returns the drive's figures.
DriveFacts SelectDrive(Orvane::TZelvan& zelvan, char letter);

// Sets FirstSector and then Sectors; throws Failure naming the value refused
// against the size bound of `drive`.
void SelectRun(Orvane::TZelvan& zelvan, const DriveFacts& drive, std::uint32_t first, std::uint32_t count);

} // namespace zelvan_cli
