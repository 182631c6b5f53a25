// ZelvanPack's tests on Win32 itself: the program lies in the package
// folder, beside the packages, and takes no arguments of the stage's.
#include <gtest/gtest.h>

#include "count_line.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return windows_test::RunAndCount();
}
