#include "zelvan/pixel_font.h"

#include <algorithm>
#include <cctype>

namespace zelvan_cli {

namespace {

struct Glyph {
    char character;
    std::string_view rows; // five rows of three, '#' set
};

constexpr Glyph glyphs[] = {
    {'A', ".#.#.#####.##.#"}, {'B', "##.#.###.#.###."}, {'C', ".###..#..#...##"}, {'D', "##.#.##.##.###."},
    {'E', "####..##.#..###"}, {'F', "####..##.#..#.."}, {'G', ".###..#.##.#.##"}, {'H', "#.##.#####.##.#"},
    {'I', "###.#..#..#.###"}, {'J', "..#..#..##.#.#."}, {'K', "#.##.###.#.##.#"}, {'L', "#..#..#..#..###"},
    {'M', "#.########.##.#"}, {'N', "##.#.##.##.##.#"}, {'O', ".#.#.##.##.#.#."}, {'P', "##.#.###.#..#.."},
    {'Q', ".#.#.##.###..##"}, {'R', "##.#.###.#.##.#"}, {'S', ".###...#...###."}, {'T', "###.#..#..#..#."},
    {'U', "#.##.##.##.####"}, {'V', "#.##.##.##.#.#."}, {'W', "#.##.########.#"}, {'X', "#.##.#.#.#.##.#"},
    {'Y', "#.##.#.#..#..#."}, {'Z', "###..#.#.#..###"}, {'0', "####.##.##.####"}, {'1', ".#.##..#..#.###"},
    {'2', "##...#.#.#..###"}, {'3', "##...#.#...###."}, {'4', "#.##.####..#..#"}, {'5', "####..##...###."},
    {'6', ".###..####.####"}, {'7', "###..#.#..#..#."}, {'8', "####.#####.####"}, {'9', "####.####..###."},
    {' ', "..............."}, {':', "....#.....#...."}, {'(', "..#.#..#..#...#"}, {')', "#...#..#..#.#.."},
    {',', "..........#.#.."}, {'.', ".............#."}, {'-', "......###......"}, {'+', "....#.###.#...."},
    {'=', "...###...###..."}, {'/', "..#..#.#.#..#.."}, {'?', "##...#.#.....#."}, {'\'', ".#..#.........."},
};

std::string_view RowsOf(char character) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
    for (const Glyph& glyph : glyphs)
        if (glyph.character == upper) return glyph.rows;
    return RowsOf('?');
}

} // namespace

void FillRectangle(tools::TPicture& picture, unsigned x, unsigned y, unsigned width, unsigned height, Rgb rgb) {
    for (unsigned row = y; row < std::min(y + height, picture.height); ++row)
        for (unsigned column = x; column < std::min(x + width, picture.width); ++column)
            std::copy(rgb.begin(), rgb.end(), picture.rgb.begin() + (std::size_t{row} * picture.width + column) * 3);
}

void PaintText(tools::TPicture& picture, unsigned x, unsigned y, std::string_view text, Rgb rgb, unsigned scale) {
    for (char character : text) {
        const std::string_view rows = RowsOf(character);
        for (unsigned bit = 0; bit < rows.size(); ++bit)
            if (rows[bit] == '#') FillRectangle(picture, x + bit % 3 * scale, y + bit / 3 * scale, scale, scale, rgb);
        x += glyphWidth * scale;
    }
}

} // namespace zelvan_cli
