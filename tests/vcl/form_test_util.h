// Small helpers shared by the form tests.
#pragma once

#include <string>
#include <string_view>

#include "vcl/formtree.h"

namespace formtest {

inline vcl::TBytes Bytes(std::string_view text) { return vcl::TBytes(text.begin(), text.end()); }
inline std::string Text(const vcl::TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

} // namespace formtest
