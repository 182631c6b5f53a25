#include "zelvan/rescue_map.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstdio>
#include <sstream>

#include "common/files.h"
#include "common/input_file.h"
#include "common/outcome.h"
#include "zelvan/volume_layout.h"

namespace zelvan_cli {

namespace fs = std::filesystem;

namespace {

// A number as ddrescue writes it (0x..., or decimal), whole.
bool ParseNumber(const std::string& word, std::uint64_t& value) {
    if (word.empty() || word[0] == '-' || word[0] == '+') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(word.c_str(), &end, 0);
    return errno == 0 && end == word.c_str() + word.size();
}

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08" PRIX64, value);
    return text;
}

} // namespace

std::vector<MapArea> ParseMap(const std::string& text, std::uint32_t bytesPerSector) {
    std::vector<MapArea> areas;
    std::istringstream lines(text);
    bool statusLine = false;
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        std::istringstream words(line);
        std::string position, second, third, rest;
        if (!(words >> position) || position[0] == '#') continue;
        words >> second >> third >> rest;
        const auto fail = [&](const std::string& reason) {
            throw tools::Failure("line " + std::to_string(number) + ": " + reason);
        };
        std::uint64_t pos = 0, size = 0;
        if (!statusLine) {
            // "current_pos current_status [current_pass]"
            if (!ParseNumber(position, pos) || second.size() != 1 ||
                std::string_view("?*/-FG+").find(second[0]) == std::string_view::npos)
                fail("the status line is not a position and a status");
            statusLine = true;
            continue;
        }
        if (!ParseNumber(position, pos) || !ParseNumber(second, size) || third.size() != 1 || !rest.empty())
            fail("not a line of position, size and status");
        if (std::string_view("?*/-+").find(third[0]) == std::string_view::npos)
            fail("'" + third + "' is no status (+, -, ?, * or /)");
        if (size == 0 || pos % bytesPerSector || size % bytesPerSector)
            fail("the area is not whole sectors of " + std::to_string(bytesPerSector) + " bytes");
        if (!areas.empty() && pos != areas.back().End() * bytesPerSector)
            fail("the area does not start where the one before it ends");
        const char status = third[0] == '*' || third[0] == '/' ? sectorsUntried : third[0];
        areas.push_back({pos / bytesPerSector, size / bytesPerSector, status});
    }
    if (!statusLine && !areas.empty()) throw tools::Failure("it has no status line");
    return areas;
}

std::optional<std::vector<MapArea>> ReadMapFile(const fs::path& path, std::uint32_t bytesPerSector) {
    std::error_code error;
    if (!fs::exists(path, error)) return std::nullopt;
    const std::vector<std::uint8_t> bytes = tools::ReadInputFile(path, {"a map file", std::uint64_t{64} << 20});
    try {
        std::vector<MapArea> areas = ParseMap(std::string(bytes.begin(), bytes.end()), bytesPerSector);
        if (areas.empty()) return std::nullopt;
        return areas;
    } catch (const tools::Failure& failure) {
        throw tools::Failure("map file " + path.string() + ": " + failure.what() +
                             " (a map file holds a status line, then lines of position, size and status)");
    }
}

RescueMap::RescueMap(fs::path path, std::uint32_t bytesPerSector, std::uint64_t first, std::uint64_t count)
    : path_(std::move(path)), bytesPerSector_(bytesPerSector), areas_{{first, count, sectorsUntried}} {
    const auto fail = [&](const std::string& reason) {
        throw tools::Failure("map file " + path_.string() + ": " + reason);
    };
    std::optional<std::vector<MapArea>> read = ReadMapFile(path_, bytesPerSector);
    if (!read) return;
    std::vector<MapArea>& areas = *read;
    if (areas.front().first != first || areas.back().End() != first + count)
        fail("it maps sectors " + SectorSpan(areas.front().first, areas.back().End() - 1) + ", not the run's sectors " +
             SectorSpan(first, first + count - 1) + ": give the run it was made for, or another map file");
    areas_ = std::move(areas);
    fresh_ = false;
}

std::vector<MapArea> RescueMap::Of(char status) const {
    std::vector<MapArea> found;
    for (const MapArea& area : areas_)
        if (area.status == status) found.push_back(area);
    return found;
}

std::vector<MapArea> RescueMap::Unfinished() const {
    std::vector<MapArea> found;
    for (const MapArea& area : areas_)
        if (area.status != sectorsRead) found.push_back(area);
    return found;
}

std::uint64_t RescueMap::Count(char status) const {
    std::uint64_t count = 0;
    for (const MapArea& area : Of(status)) count += area.count;
    return count;
}

void RescueMap::Mark(std::uint64_t first, std::uint64_t count, char status) {
    const std::uint64_t end = first + count;
    std::vector<MapArea> marked;
    const auto add = [&](MapArea area) {
        if (area.count == 0) return;
        if (!marked.empty() && marked.back().status == area.status && marked.back().End() == area.first)
            marked.back().count += area.count;
        else
            marked.push_back(area);
    };
    for (const MapArea& area : areas_) {
        if (area.End() <= first || area.first >= end) {
            add(area);
            continue;
        }
        const std::uint64_t from = std::max(area.first, first), to = std::min(area.End(), end);
        if (area.first < from) add({area.first, from - area.first, area.status});
        add({from, to - from, status});
        if (area.End() > to) add({to, area.End() - to, area.status});
    }
    areas_ = std::move(marked);
}

std::string RescueMap::Text(std::uint64_t next, bool ended) const {
    std::string text = "# Rescue map of zelvan, in GNU ddrescue's form\n"
                       "# current_pos  current_status  current_pass\n" +
                       Hex(next * bytesPerSector_) + "     " + (ended ? "+" : "?") + "               1\n" +
                       "#      pos        size  status\n";
    for (const MapArea& area : areas_)
        text += Hex(area.first * bytesPerSector_) + "  " + Hex(area.count * bytesPerSector_) + "  " + area.status + "\n";
    return text;
}

void RescueMap::Save(std::uint64_t next, bool ended) const {
    const std::string text = Text(next, ended);
    tools::OutputFile file(path_);
    file.Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    // The pieces it marks are in the output already.
    file.Commit(tools::OutputFile::OnStop::KeepRecord);
}

std::string AreaList(const std::vector<MapArea>& areas) {
    std::string text = areas.size() == 1 && areas[0].count == 1 ? "sector " : "sectors ";
    for (std::size_t i = 0; i < areas.size(); ++i)
        text += (i == 0 ? "" : i + 1 == areas.size() ? " and " : ", ") +
                SectorSpan(areas[i].first, areas[i].End() - 1);
    return text;
}

} // namespace zelvan_cli
