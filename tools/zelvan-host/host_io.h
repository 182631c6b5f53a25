// Files and values as zelvan-host shows them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "vcl/formtree.h"
#include "vcl/typinfo.h"

namespace host {

// A file that cannot be read or written; the message names it.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

vcl::TBytes ReadWholeFile(const std::string& path);
// Writes beside the target and renames, so that a failed write leaves no
// half-written file.
void ReplaceFile(const std::string& path, const vcl::TBytes& bytes);

// An ordinal of `type` as a person reads it: 'C', #0, True, D1440, 3000000000.
std::string FormatOrdinal(const vcl::TTypeInfo& type, std::int64_t ordinal);

} // namespace host
