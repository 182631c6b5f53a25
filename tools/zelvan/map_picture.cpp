#include "zelvan/map_picture.h"

#include <algorithm>
#include <string>

namespace zelvan_cli {

namespace {

constexpr unsigned textScale = 2, lineHeight = glyphHeight * textScale + 6, swatch = glyphHeight * textScale - 2;
constexpr Rgb black{0, 0, 0};

} // namespace

tools::TPicture DrawVolumeMap(const VolumeMap& map, std::string_view title) {
    const std::vector<SectorKind>& cells = map.Cells();
    std::vector<SectorKind> shown;
    for (const SectorKindRow& row : SectorKinds())
        if (std::find(cells.begin(), cells.end(), row.kind) != cells.end()) shown.push_back(row.kind);
    const unsigned rows = static_cast<unsigned>((cells.size() + mapColumns - 1) / mapColumns);
    const unsigned gridTop = mapMargin + lineHeight, legendTop = gridTop + rows * cellPixels + mapMargin;

    tools::TPicture picture;
    picture.width = 2 * mapMargin + mapColumns * cellPixels;
    picture.height = legendTop + static_cast<unsigned>(shown.size()) * lineHeight + mapMargin;
    picture.rgb.assign(std::size_t{picture.width} * picture.height * 3, 0xFF);
    PaintText(picture, mapMargin, mapMargin, title, black, textScale);
    for (std::size_t cell = 0; cell < cells.size(); ++cell)
        FillRectangle(picture, mapMargin + static_cast<unsigned>(cell % mapColumns) * cellPixels,
                      gridTop + static_cast<unsigned>(cell / mapColumns) * cellPixels, cellPixels, cellPixels,
                      RowOf(cells[cell]).rgb);
    for (std::size_t line = 0; line < shown.size(); ++line) {
        const unsigned top = legendTop + static_cast<unsigned>(line) * lineHeight;
        FillRectangle(picture, mapMargin, top, swatch, swatch, RowOf(shown[line]).rgb);
        PaintText(picture, mapMargin + swatch + 8, top, RowOf(shown[line]).name, black, textScale);
    }
    return picture;
}

} // namespace zelvan_cli
