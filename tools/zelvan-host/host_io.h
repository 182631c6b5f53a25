// Form files read whole, and values as zelvan-host shows them.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/formtree.h"
#include "vcl/typinfo.h"

namespace zelvan_host {

// Throws tools::Failure naming a file that cannot be read.
vcl::TBytes ReadWholeFile(const std::string& path);

// An ordinal of `type` as a person reads it: 'C', #0, True, D1440, 3000000000.
std::string FormatOrdinal(const vcl::TTypeInfo& type, std::int64_t ordinal);

} // namespace zelvan_host
