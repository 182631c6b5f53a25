// How large a module can be, for the hosted loader, which refuses a larger
// one as Windows does, and for the tools, which read module files whole.
#pragma once

#include <cstdint>

namespace win32 {

// Windows maps no module image larger than 2 GiB.
inline constexpr std::uint64_t largestModuleImage = 0x80000000;

} // namespace win32
