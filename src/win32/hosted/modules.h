// The modules LoadLibraryA and LoadLibraryExA hand out: counted references
// to shared objects opened with dlopen, and files mapped as data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "win32/hosted/elf_module.h"
#include "win32/hosted/result.h"

namespace hosted {

// A whole file mapped read-only.
class MappedFile {
public:
    // Refused with ERROR_ACCESS_DENIED when the file may not be read, else
    // with ERROR_MOD_NOT_FOUND when it cannot be opened or mapped.
    static Result<MappedFile> Open(const std::string& path);
    MappedFile(MappedFile&& other) noexcept
        : base_(std::exchange(other.base_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    MappedFile& operator=(MappedFile&&) = delete;
    ~MappedFile();
    ByteView Bytes() const { return {static_cast<const unsigned char*>(base_), size_}; }

private:
    MappedFile(void* base, std::size_t size) : base_(base), size_(size) {}
    void* base_;
    std::size_t size_;
};

struct ModuleRecord {
    std::string path;
    void* library = nullptr;        // the dlopen handle of a loaded module
    unsigned references = 0;        // LoadLibraryA calls not yet matched by FreeLibrary
    std::optional<MappedFile> data; // a file mapped by LOAD_LIBRARY_AS_DATAFILE
};

// The file that LoadLibraryA takes `name` for, made absolute. A name with a
// '/' is a path. A bare name is looked for beside the program, in the
// current folder, then in each folder of LD_LIBRARY_PATH, as Windows looks
// beside the program, in the current folder and along PATH.
std::optional<std::string> FindModuleFile(std::string_view name);

// Module names compare as Windows compares file names: without regard to
// the case of ASCII letters. A bare name matches the last part of a path.
bool NamesModule(std::string_view name, const std::string& path);

// "ZelvanPack.bpl" of "/where/ever/ZelvanPack.bpl".
std::string_view FileNameOf(std::string_view path);

} // namespace hosted
