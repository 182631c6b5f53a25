// The configuration texts of the environment, parsed. Every parser throws
// ConfigError with a message that quotes the bad part.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "win32/hosted/hosted_pc.h"
#include "win32/hosted/identity.h"

namespace hosted {

// 'A'..'Z', folding lower case; throws for anything else.
char DriveLetter(char letter);

// "A=floppy.img:removable;C=disk.img;D=/dev/sdb1:ro;E=disk.img:offset=1048576".
// Flags are taken from the right, so a path may itself contain ':' (but not
// end in ':WORD' or ':WORD=VALUE', a word of letters, which is read as a
// flag). See MapDrives for what is refused.
std::vector<std::pair<char, DriveSpec>> ParseDrives(std::string_view text);

// "nt", "95", "98", "10" (also "current") or "PLATFORM:BUILD" in decimal.
Identity ParsePlatform(std::string_view text);

// "yes" or "no" (any case): IDYES or IDNO.
int ParseAnswer(std::string_view text);

// A decimal or 0x-hexadecimal 32-bit number; `what` names it in the error.
DWORD ParseNumber(std::string_view text, std::string_view what);

} // namespace hosted
