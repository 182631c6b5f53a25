// A floppy FORMAT that does not describe the disk in the drive: on Windows
// 95/98 the component turns a sector number into cylinder, head and sector
// by the FORMAT's geometry, so the BIOS is asked for another sector than the
// user named. That is the component's arithmetic; the command line only
// makes sure the user knows before anything is written.
#pragma once

#include <cstdint>

#include "orvane/orvane.h"

namespace zelvan_cli {

// Throws Failure before a write when the medium in `letter` is not of the
// size `format` describes, naming both and where sector `first` lands;
// with `force` it warns on standard error and returns. Silent when the
// machine cannot tell the medium's size.
void CheckFloppyFormat(char letter, Orvane::TFloppyType format, std::uint32_t first, bool force);

} // namespace zelvan_cli
