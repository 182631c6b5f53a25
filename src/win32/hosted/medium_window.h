// The part of a medium that a drive takes for its whole: a partition of a
// disk image, as a drive letter of a PC that runs Windows holds one.
#pragma once

#include <cstdint>
#include <optional>

namespace hosted {

struct MediumWindow {
    std::uint64_t offset = 0;              // bytes from the medium's start
    std::optional<std::uint64_t> length;   // bytes; to the medium's end when not given
    bool operator==(const MediumWindow&) const = default;
};

} // namespace hosted
