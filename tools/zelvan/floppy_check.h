// A floppy FORMAT that does not describe the disk in the drive: on Windows
// 95/98 the component turns a sector number into cylinder, head and sector
// by the FORMAT's geometry, so the BIOS is asked for another sector than the
// user named. That is the component's arithmetic; the command line only
// makes sure the user knows before anything is read or written.
#pragma once

#include <cstdint>

#include "orvane/orvane.h"

namespace zelvan_cli {

// Throws Failure before a read or write (`write`) of the run of `count`
// sectors from `first` when the medium in `letter` is not of the size
// `format` describes and a sector of the run would go to the BIOS as another
// sector of this disk, or one it does not have: naming both sizes and where
// the first such sector lands. With `force` it warns on standard error and
// returns. Silent when the machine cannot tell the medium's size.
void CheckFloppyFormat(char letter, Orvane::TFloppyType format, std::uint32_t first, std::uint32_t count, bool write,
                       bool force);

} // namespace zelvan_cli
