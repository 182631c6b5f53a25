// The device side of win32::FlatRegion: 32-bit flat addresses back to memory.
#pragma once

#include <cstddef>

#include "win32/win32.h"

namespace hosted {

// The memory of [address, address + length) when the whole range lies in one
// registered region, else nullptr. A request never reaches memory otherwise.
void* ResolveFlat(DWORD address, std::size_t length);

} // namespace hosted
