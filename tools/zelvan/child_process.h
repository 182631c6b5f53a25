// Running another program, such as mkfs.fat, and waiting for it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelvan_cli {

enum class ProgramErrors { Shown, Discarded };

// Runs `arguments[0]`, found on the PATH, and waits for it: on POSIX with its
// standard output discarded and its standard error shown or discarded, on
// Windows with both where the tool's go. Returns its exit status, or
// std::nullopt when the program could not be started (not installed, not
// executable). One file per platform: child_process_posix.cpp, _windows.cpp.
std::optional<int> RunProgram(const std::vector<std::string>& arguments, ProgramErrors errors = ProgramErrors::Shown);

} // namespace zelvan_cli
