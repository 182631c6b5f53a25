// Choosing the drive and the run on a component. The component refuses a bad
// value silently; these read each property back and, when it did not take,
// explain why with the drive's figures.
#pragma once

#include <cstdint>
#include <optional>

#include "orvane/orvane.h"
#include "zelvan/drive_facts.h"

namespace zelvan_cli {

// Sets DriveName; throws Failure when the letter is not one or the drive
// cannot be measured. Returns the drive's figures.
DriveFacts SelectDrive(Orvane::TZelvan& zelvan, char letter);

// The drive against whose size bound the component checks a floppy run's
// FIRST and COUNT: its DriveName drive, which the floppy methods use for
// nothing else. `driveName` when it is given, as SelectDrive selects it.
// Otherwise the floppy `letter` when it can be measured, else the drive the
// component keeps, C: as it is created, as an application leaves DriveName at
// its fixed drive; the figures then say why in standingIn, and are not
// measured when the component has no drive at all. Throws Failure for a
// floppy letter that is not mapped.
DriveFacts SelectFloppyBound(Orvane::TZelvan& zelvan, char letter, std::optional<char> driveName);

// Sets FirstSector and then Sectors; throws Failure naming the value refused
// against the size bound of `drive`. A component with no drive takes no
// value but the run it holds as created, FIRST 0 and COUNT 1.
void SelectRun(Orvane::TZelvan& zelvan, const DriveFacts& drive, std::uint32_t first, std::uint32_t count);

} // namespace zelvan_cli
