#include <gtest/gtest.h>

#include "zelvan/progress.h"

namespace zelvan_cli {
namespace {

TEST(Progress, BytesUseBinaryUnitsWithOneDecimal) {
    EXPECT_EQ(FormatBytes(0), "0 B");
    EXPECT_EQ(FormatBytes(1023), "1023 B");
    EXPECT_EQ(FormatBytes(1024), "1.0 KiB");
    EXPECT_EQ(FormatBytes(1536), "1.5 KiB");
    EXPECT_EQ(FormatBytes(8u << 20), "8.0 MiB");
    EXPECT_EQ(FormatBytes(std::uint64_t{3} << 30), "3.0 GiB");
}

TEST(Progress, DurationsShowHoursOnlyWhenThereAreSome) {
    EXPECT_EQ(FormatDuration(0), "0:00");
    EXPECT_EQ(FormatDuration(65), "1:05");
    EXPECT_EQ(FormatDuration(3600 + 2 * 60 + 3), "1:02:03");
}

TEST(Progress, LineShowsFillBytesRateAndTimeLeft) {
    // A quarter of 64 MiB in 2 seconds: 8 MiB/s, 48 MiB still to go.
    EXPECT_EQ(FormatProgress(16u << 20, 64u << 20, 2.0, 8), "[##      ]  16.0 MiB / 64.0 MiB  8.0 MiB/s  0:06 left");
    EXPECT_EQ(FormatProgress(64u << 20, 64u << 20, 4.0, 4), "[####]  64.0 MiB / 64.0 MiB  16.0 MiB/s  0:00 left");
}

TEST(Progress, RateIsUnknownBeforeAnythingMovedOrTimePassed) {
    EXPECT_EQ(FormatProgress(0, 1024, 1.0, 2), "[  ]  0 B / 1.0 KiB  -- /s  -- left");
    EXPECT_EQ(FormatProgress(512, 1024, 0.0, 2), "[# ]  512 B / 1.0 KiB  -- /s  -- left");
}

TEST(Progress, SilentBarWritesNothing) {
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    {
        ProgressBar bar(100, sink, false);
        bar.Advance(50);
        bar.Advance(50);
    }
    EXPECT_EQ(std::ftell(sink), 0);
    {
        ProgressBar bar(100, sink, true);
        bar.Advance(100);
    }
    EXPECT_GT(std::ftell(sink), 0);
    std::fclose(sink);
}

} // namespace
} // namespace zelvan_cli
