// A module's resources as the resource compiler writes them with "-O res":
// a run of entries, each a header (data size, header size, type, name,
// language and versions) followed by its data, every part on a four-byte
// boundary. The first entry, empty and of type 0, only marks the format.
#pragma once

#include <optional>
#include <string>

#include "win32/hosted/elf_module.h"
#include "win32/hosted/result.h"
#include "win32/win32.h"

namespace hosted {

struct ResourceEntry {
    const unsigned char* header; // what FindResourceA hands out as HRSRC
    ByteView data;
};

// The resource whose type and name match `type` and `name` (numbers from
// MAKEINTRESOURCEA or "#123", or text compared without regard to case), as
// Windows looks for a thread of language `language`: the one of that
// language, else the neutral one, else the one of the lowest language id,
// which a module's resource directory lists first. Otherwise refused: no
// resources at all (ERROR_RESOURCE_DATA_NOT_FOUND), none of the type, or
// none of the name, which the error says whole. A damaged entry ends the
// image: what follows it is not found.
Result<ResourceEntry> FindResourceEntry(ByteView image, LPCSTR name, LPCSTR type, LANGID language);
// Empty when `image` is a whole run of well-formed entries; otherwise
// where it breaks off: "its resource entry at byte 96 of 1416 is damaged".
std::string ResourceImageFault(ByteView image);
// The entry whose header is at `header`, if one in `image` is.
std::optional<ResourceEntry> ResourceEntryAt(ByteView image, const void* header);

} // namespace hosted
