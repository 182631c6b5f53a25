// The names of the floppy formats on the command line: what FORMAT takes
// and what zelvan prints for a medium of a standard format's size.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include "orvane/floppy_formats.h"

namespace zelvan_cli {

inline constexpr std::array<std::pair<std::string_view, Orvane::TFloppyType>, 5> floppyFormatNames{{
    {"360", Orvane::D360},
    {"720", Orvane::D720},
    {"1200", Orvane::D1200},
    {"1440", Orvane::D1440},
    {"unknown", Orvane::DUnknown},
}};

inline std::uint64_t DiskBytes(const Orvane::TFloppyFormat& format) {
    return std::uint64_t{format.TotalSectors} * format.BytesPerSector;
}

// The row of the standard format of a medium of `bytes` bytes (unknown,
// taken for 1440, is never one); nullptr when no format has that size.
inline const std::pair<std::string_view, Orvane::TFloppyType>* FormatOfMedium(std::uint64_t bytes) {
    for (const auto& row : floppyFormatNames)
        if (row.second != Orvane::DUnknown && DiskBytes(Orvane::FloppyFormats[row.second]) == bytes) return &row;
    return nullptr;
}

} // namespace zelvan_cli
