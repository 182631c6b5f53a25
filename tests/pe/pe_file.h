// What a PE module's own tables say, read from its file without running it:
// the modules it imports from, the names it exports with their addresses,
// and its resources with their languages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bytes.h"

namespace petables {

struct PeResource {
    std::string type; // "#2" for a numbered type, else its name
    std::string name; // the same
    std::uint32_t language;
    testsupport::Bytes bytes;
};

struct PeFile {
    bool wide; // PE32+, a 64-bit module
    std::vector<std::string> imports;
    std::map<std::string, std::uint32_t> exports; // by name, the address relative to the image
    std::vector<PeResource> resources;
};

// Throws std::runtime_error naming the file and what is wrong with it.
PeFile ReadPeFile(const std::filesystem::path& path);

} // namespace petables
