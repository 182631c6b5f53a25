// The few things both tools ask of the operating system that POSIX and
// Windows do differently: platform_posix.cpp and platform_windows.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "common/files.h"

namespace tools {

// A standard stream that was closed when the tool started is held by the
// null device opened the other way round: no file the tool opens can take
// its number (and receive its output), and a write to it fails as it would
// have. Nothing to do where handles are not numbered so.
void HoldClosedStandardStreams();

// `path` created for writing, binary, and only if no file has that name;
// nullptr with errno set otherwise.
UniqueFile CreateNewFile(const std::filesystem::path& path);

// Standard output as a file of its own, binary, that the tool may close:
// what it writes lands where standard output's goes (at its position, in
// its mode of appending); nullptr with errno set when it cannot be had.
UniqueFile OpenStandardOutput();
// Whether `path` names the file standard output writes to (/dev/stdout,
// /proc/self/fd/1, or the file the shell redirected it to).
bool IsStandardOutput(const std::filesystem::path& path);

bool IsTerminal(std::FILE* stream);

// Moves `file` to byte `offset`, which may lie beyond 4 GiB; false with errno
// set when it cannot.
bool SeekTo(std::FILE* file, std::uint64_t offset);

} // namespace tools
