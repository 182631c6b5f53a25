#include "count_line.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace windows_test {

int RunAndCount() {
    const int status = RUN_ALL_TESTS();
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    std::printf("%d passed, %d failed, %d skipped\n", unit.successful_test_count(), unit.failed_test_count(),
                unit.skipped_test_count());
    return status;
}

} // namespace windows_test
