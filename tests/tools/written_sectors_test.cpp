#include <gtest/gtest.h>

#include "zelvan/written_sectors.h"

namespace zelvan_cli {
namespace {

// Sectors 100 to 399 of C:, stopped at its second piece of 100.
const RunRequest run{'C', std::nullopt, 100, 300};
constexpr Piece second{200, 100};
const std::string nothing = "; sectors 100 to 199 of C: were written, sectors 200 to 399 of C: were not";
const std::string perhaps =
    "; sectors 100 to 199 of C: were written, sectors 200 to 299 of C: may have been written, sectors 300 to 399 "
    "of C: were not";
const std::string all = "; sectors 100 to 299 of C: were written, sectors 300 to 399 of C: were not";

std::string OnWindows(DWORD error) {
    return WhatWasWritten(run, second, LeftByFailure(std::nullopt, WindowsErrorWords(error), false));
}

// Without the machine's count, a refusal that Windows makes before any byte
// moves wrote nothing of the piece; a device's fault may have written it.
TEST(WrittenSectors, OnWindowsARefusalBeforeAnyByteWroteNothingOfThePiece) {
    for (const DWORD error : {ERROR_ACCESS_DENIED, ERROR_HANDLE_EOF, ERROR_WRITE_PROTECT, ERROR_INVALID_PARAMETER,
                              ERROR_FILE_NOT_FOUND, ERROR_SHARING_VIOLATION, ERROR_NEGATIVE_SEEK})
        EXPECT_EQ(OnWindows(error), nothing) << WindowsErrorName(error);
    for (const DWORD error : {ERROR_CRC, ERROR_WRITE_FAULT, ERROR_IO_DEVICE, ERROR_GEN_FAILURE, ERROR_NOT_READY,
                              ERROR_SECTOR_NOT_FOUND, ERROR_DISK_FULL, ERROR_SUCCESS})
        EXPECT_EQ(OnWindows(error), perhaps) << WindowsErrorName(error);
    EXPECT_EQ(WhatWasWritten(run, second, LeftByFailure(std::nullopt, WindowsErrorWords(ERROR_NOT_LOCKED), true)),
              all);
}

// Where the machine counts its writes, the count decides, whatever the last
// error was: an earlier try may have written before a later one was refused.
TEST(WrittenSectors, TheMachinesCountOfWritesOutweighsTheRefusal) {
    EXPECT_EQ(WhatWasWritten(run, second, LeftByFailure(3, WindowsErrorWords(ERROR_ACCESS_DENIED), false)), perhaps);
    EXPECT_EQ(WhatWasWritten(run, second, LeftByFailure(0, WindowsErrorWords(ERROR_CRC), false)), nothing);
    EXPECT_EQ(WhatWasWritten(run, second, LeftByFailure(0, WindowsErrorWords(ERROR_NOT_LOCKED), true)), nothing);
    EXPECT_EQ(WhatWasWritten(run, second, LeftByFailure(1, WindowsErrorWords(ERROR_NOT_LOCKED), true)), all);
}

} // namespace
} // namespace zelvan_cli
