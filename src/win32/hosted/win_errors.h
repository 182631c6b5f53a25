// Error codes Windows gives in the hosted model that the component itself
// never names, and the symbolic names the journal prints.
#pragma once

#include <string>

#include "win32/win32.h"

namespace hosted {

constexpr DWORD ERROR_SEEK = 25;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_NOACCESS = 998;

// "ERROR_ACCESS_DENIED" for a known code, the number otherwise.
std::string ErrorName(DWORD code);

} // namespace hosted
