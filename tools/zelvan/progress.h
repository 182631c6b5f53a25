// A progress bar for long transfers, drawn on standard error when that is a
// terminal and silent otherwise.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zelvan_cli {

// "512 B", "4.0 KiB", "12.5 MiB", "1.2 GiB".
std::string FormatBytes(std::uint64_t bytes);
// "0:05", "12:34", "1:02:03".
std::string FormatDuration(std::uint64_t seconds);
// One line of the bar: "[#####     ]  12.0 MiB / 64.0 MiB  45.2 MiB/s  0:02 left".
// Rate and time left show as "--" until some time has passed.
std::string FormatProgress(std::uint64_t done, std::uint64_t total, double seconds, std::size_t barWidth);

class ProgressBar {
public:
    // Draws on `out` only when `enabled`, as for a terminal (tools::IsTerminal).
    ProgressBar(std::uint64_t total, std::FILE* out, bool enabled);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Advance(std::uint64_t bytes);

private:
    void Draw();

    std::uint64_t total_;
    std::uint64_t done_ = 0;
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace zelvan_cli
