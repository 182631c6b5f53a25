// A volume's map as a picture: a title, a grid of cells left to right and
// top to bottom in sector order, and a legend of the colours it uses.
#pragma once

#include <string_view>

#include "common/picture_file.h"
#include "zelvan/volume_map.h"

namespace zelvan_cli {

// Cells a row of the grid holds, and the most cells of a map.
constexpr unsigned mapColumns = 256;
constexpr std::uint64_t mapMaxCells = std::uint64_t{mapColumns} * 256;
// Pixels of a cell across and down, and the margin around everything.
constexpr unsigned cellPixels = 3, mapMargin = 8;

tools::TPicture DrawVolumeMap(const VolumeMap& map, std::string_view title);

} // namespace zelvan_cli
