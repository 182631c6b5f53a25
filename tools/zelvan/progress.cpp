#include "zelvan/progress.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zelvan_cli {

namespace {
constexpr std::size_t drawnBarWidth = 30;

std::string Printf(const char* format, double value, const char* unit) {
    std::array<char, 32> text;
    const int length = std::snprintf(text.data(), text.size(), format, value, unit);
    return std::string(text.data(), static_cast<std::size_t>(length));
}
} // namespace

std::string FormatBytes(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    static constexpr std::array<const char*, 4> units{"KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < units.size()) {
        value /= 1024;
        ++unit;
    }
    return Printf("%.1f %s", value, units[unit]);
}

std::string FormatDuration(std::uint64_t seconds) {
    std::array<char, 32> text;
    const auto hours = seconds / 3600, minutes = seconds / 60 % 60, rest = seconds % 60;
    const int length =
        hours > 0 ? std::snprintf(text.data(), text.size(), "%llu:%02llu:%02llu", static_cast<unsigned long long>(hours),
                                  static_cast<unsigned long long>(minutes), static_cast<unsigned long long>(rest))
                  : std::snprintf(text.data(), text.size(), "%llu:%02llu", static_cast<unsigned long long>(minutes),
                                  static_cast<unsigned long long>(rest));
    return std::string(text.data(), static_cast<std::size_t>(length));
}

std::string FormatProgress(std::uint64_t done, std::uint64_t total, double seconds, std::size_t barWidth) {
    const double fraction = total == 0 ? 1.0 : std::min(1.0, static_cast<double>(done) / static_cast<double>(total));
    const auto filled = static_cast<std::size_t>(fraction * static_cast<double>(barWidth));
    std::string line = "[" + std::string(filled, '#') + std::string(barWidth - filled, ' ') + "]  " +
                       FormatBytes(done) + " / " + FormatBytes(total) + "  ";
    if (seconds <= 0 || done == 0) return line + "-- /s  -- left";
    const double rate = static_cast<double>(done) / seconds;
    const double left = static_cast<double>(total - std::min(done, total)) / rate;
    return line + FormatBytes(static_cast<std::uint64_t>(rate)) + "/s  " +
           FormatDuration(static_cast<std::uint64_t>(std::ceil(left))) + " left";
}

ProgressBar::ProgressBar(std::uint64_t total, std::FILE* out, bool enabled)
    : total_(total), out_(out), enabled_(enabled) {}

ProgressBar::~ProgressBar() {
    if (drawn_) std::fputc('\n', out_);
}

void ProgressBar::Advance(std::uint64_t bytes) {
    done_ += bytes;
    if (enabled_) Draw();
}

void ProgressBar::Draw() {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    const std::string line = FormatProgress(done_, total_, elapsed.count(), drawnBarWidth);
    // \r returns to the start; the clear-to-end code wipes a longer line drawn before.
    std::fprintf(out_, "\r%s\033[K", line.c_str());
    std::fflush(out_);
    drawn_ = true;
}

} // namespace zelvan_cli
