// Why a drive that cannot be measured holds no volume, and what reaches its
// sectors all the same, from what the machine finds on its medium.
#pragma once

#include <string>

#include "win32/win32.h"
#include "zelvan/machine_setup.h"

namespace zelvan_cli {

// "; it begins with a master boot record (MBR) of 2 partitions: ...", "; its
// first sector holds only zeros: ..."; nothing when the machine cannot tell.
std::string WhatItHolds(const machine::DriveBacking& backing);

// For drive `letter` of `type`, which the component cannot measure: "map
// partition 1 as a drive of its own (--drive C=disk.img:offset=...:size=...),
// or ...": the partitions of its table, and the floppy methods, which take a
// removable drive whatever it holds.
std::string WhatReachesIt(char letter, UINT type, const machine::DriveBacking& backing);

} // namespace zelvan_cli
