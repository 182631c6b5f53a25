// How a Windows test program ends: every selected test run, then the line
// scripts/windows-stage.sh takes, "N passed, N failed, N skipped".
#pragma once

namespace windows_test {

int RunAndCount();

} // namespace windows_test
