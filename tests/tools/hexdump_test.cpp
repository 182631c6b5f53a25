#include <gtest/gtest.h>
#include <sstream>

#include "support.h"
#include "zelvan/hexdump.h"

namespace zelvan_cli {
namespace {

using testsupport::Bytes;

// hexdump -C is the reference: the same bytes must give the same text,
// however they are cut into pieces.
std::string Reference(const testsupport::TempDir& dir, const Bytes& bytes) {
    const auto file = dir / "bytes.bin";
    testsupport::WriteFile(file, bytes);
    return testsupport::RunOk("hexdump -C '" + file.string() + "'");
}

std::string Ours(const Bytes& bytes, std::size_t piece) {
    std::ostringstream out;
    HexDump dump(out);
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        dump.Write(std::span(bytes).subspan(at, std::min(piece, bytes.size() - at)));
    dump.Finish();
    return out.str();
}

TEST(HexDump, MatchesHexdumpCanonicalForAnyPieceSize) {
    const testsupport::TempDir dir;
    Bytes mixed = testsupport::Pattern(1000, 3);           // printable and not, a partial last line
    mixed.insert(mixed.end(), 100, 0);                      // a run of equal lines, squeezed to "*"
    mixed.insert(mixed.end(), {'e', 'n', 'd', 0x7F, 0x80, 0xFF, ' ', '~'});
    const std::string expected = Reference(dir, mixed);
    for (std::size_t piece : {1u, 7u, 16u, 512u, 4096u}) EXPECT_EQ(Ours(mixed, piece), expected) << "piece " << piece;
}

TEST(HexDump, SqueezesRepeatedLinesAcrossPiecesUpToTheEnd) {
    const testsupport::TempDir dir;
    const Bytes zeros(3 * 512, 0);                         // a wiped run: one line, "*", the length
    EXPECT_EQ(Ours(zeros, 512), Reference(dir, zeros));
    Bytes repeated;
    for (int i = 0; i < 40; ++i) repeated.insert(repeated.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    repeated.push_back(1);                                 // a short line after the squeeze
    EXPECT_EQ(Ours(repeated, 100), Reference(dir, repeated));
}

// The tool checks standard output after each piece, so that output that
// cannot be written stops the run there: a piece's lines may not wait.
TEST(HexDump, EveryWholeLineOfAPieceReachesTheStreamBeforeTheNextPiece) {
    const testsupport::TempDir dir;
    const Bytes bytes = testsupport::Pattern(100, 5);
    std::ostringstream out;
    HexDump dump(out);
    dump.Write(bytes);
    const std::string expected = Reference(dir, Bytes(bytes.begin(), bytes.begin() + 96));
    EXPECT_EQ(out.str(), expected.substr(0, expected.rfind("00000060")));
}

TEST(HexDump, NothingWrittenPrintsNothing) { EXPECT_EQ(Ours({}, 16), ""); }

} // namespace
} // namespace zelvan_cli
