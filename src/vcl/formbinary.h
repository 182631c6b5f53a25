// The binary encoding of form files: "TPF0", then the root component as
// class name, name (short strings), its properties as name and tagged value
// up to a 0, its children up to a 0. Multi-byte integers are little-endian.
#pragma once

#include <span>
#include <string_view>

#include "vcl/formtree.h"

namespace vcl {

// True when the bytes begin with the signature "TPF0".
bool IsBinaryForm(std::span<const std::uint8_t> Form);

// Parses a whole binary form. Bad bytes are EReadError naming Source and
// the byte offset; nothing is read outside Form.
TFormObject ReadBinaryForm(std::span<const std::uint8_t> Form, std::string_view Source);
// A name or string that the encoding cannot hold is EWriteError.
TBytes WriteBinaryForm(const TFormObject& Form);

} // namespace vcl
