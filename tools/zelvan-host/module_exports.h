// The names a module file exports, read from the file without loading it:
// an ELF shared object's dynamic symbols that it defines, or a PE module's
// export directory. A name in an ELF version node named "H" and eight
// hexadecimal digits is NAME@DIGITS, the form a PE module exports and
// GetProcAddress takes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zelvan_host {

// In the order of the file's tables. Throws tools::Failure naming `what`
// and what is wrong with it.
std::vector<std::string> ExportedNames(std::span<const std::uint8_t> file, const std::string& what);

} // namespace zelvan_host
