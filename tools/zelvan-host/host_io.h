// Form files read whole, and values as zelvan-host shows them.
#pragma once

#include <cstdint>
#include <string>

#include "common/input_file.h"
#include "vcl/formtree.h"
#include "vcl/typinfo.h"

namespace zelvan_host {

// The classic runtime reads a form through a stream whose size is a 32-bit
// signed Longint.
inline constexpr tools::InputKind formFile{"a form file", 0x7FFFFFFF};

// Throws tools::Failure naming a file that cannot be read as a form file.
vcl::TBytes ReadFormFile(const std::string& path);

// An ordinal of `type` as a person reads it: 'C', #0, True, D1440, 3000000000.
std::string FormatOrdinal(const vcl::TTypeInfo& type, std::int64_t ordinal);

} // namespace zelvan_host
