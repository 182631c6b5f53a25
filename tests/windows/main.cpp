// The component's tests on Win32 itself. scripts/windows-stage.sh runs this
// program under Wine and takes its last line, "N passed, N failed, N skipped".
#include <cstdio>
#include <exception>
#include <gtest/gtest.h>

#include "count_line.h"
#include "stage_machine.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    try {
        windows_test::Configure({argv + 1, static_cast<std::size_t>(argc - 1)});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zelvan_windows_tests: %s\n", error.what());
        return 2;
    }
    return windows_test::RunAndCount();
}
