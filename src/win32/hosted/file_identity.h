// Which file a path or a descriptor is: its device and inode, so that two
// names of one file (a link, another spelling) are known to be the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace hosted {

struct FileIdentity {
    std::uint64_t device;
    std::uint64_t inode;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const struct stat& info);
// Through symbolic links; nullopt when there is no such file.
std::optional<FileIdentity> IdentityOfPath(const std::string& path);
std::optional<FileIdentity> IdentityOfDescriptor(int fd);

} // namespace hosted
