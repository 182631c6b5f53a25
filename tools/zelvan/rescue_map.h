// Which sectors of a run a rescue read has read, found bad or not tried yet,
// kept in a map file of GNU ddrescue's form (ddrescuelog reads it): a status
// line, then "position size status" lines in bytes of the drive, '+' read,
// '-' bad, '?' not tried ('*' and '/', which ddrescue also writes, count as
// not tried).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zelvan_cli {

struct MapArea {
    std::uint64_t first; // sectors of the drive
    std::uint64_t count;
    char status;
    std::uint64_t End() const { return first + count; }
};

constexpr char sectorsRead = '+';
constexpr char sectorsBad = '-';
constexpr char sectorsUntried = '?';

class RescueMap {
public:
    // The map in `path` of the run of `count` sectors of `bytesPerSector`
    // bytes from `first`: read when the file exists and holds one, else every
    // sector untried. Throws Failure naming the file when it cannot be read,
    // is no map, or maps other sectors than the run's.
    RescueMap(std::filesystem::path path, std::uint32_t bytesPerSector, std::uint64_t first, std::uint64_t count);

    // True when no earlier run recorded anything.
    bool Fresh() const { return fresh_; }
    const std::filesystem::path& Path() const { return path_; }
    const std::vector<MapArea>& Areas() const { return areas_; }
    // The areas not read yet: untried or bad.
    std::vector<MapArea> Unfinished() const;
    std::vector<MapArea> Of(char status) const;
    std::uint64_t Count(char status) const;

    void Mark(std::uint64_t first, std::uint64_t count, char status);
    // Replaces the file whole (a run stopped at any moment leaves the last
    // map saved); `next` is the sector the run goes on with, unless it has
    // `ended`.
    void Save(std::uint64_t next, bool ended) const;

private:
    std::string Text(std::uint64_t next, bool ended) const;

    std::filesystem::path path_;
    std::uint32_t bytesPerSector_;
    std::vector<MapArea> areas_;
    bool fresh_ = true;
};

// The areas of the map text `text` of sectors of `bytesPerSector` bytes, in
// order; throws Failure with the reason, "line 4: ...", when it is no map.
std::vector<MapArea> ParseMap(const std::string& text, std::uint32_t bytesPerSector);

// The areas of the map file `path`, in sectors of `bytesPerSector` bytes;
// nothing when there is no such file, or it is empty. Throws Failure naming
// the file when it cannot be read or holds no map.
std::optional<std::vector<MapArea>> ReadMapFile(const std::filesystem::path& path, std::uint32_t bytesPerSector);

// "sectors 100 to 101 and 2000", "sector 7", or of more areas "sectors 1 to 2, 5 and 9 to 12".
std::string AreaList(const std::vector<MapArea>& areas);

} // namespace zelvan_cli
