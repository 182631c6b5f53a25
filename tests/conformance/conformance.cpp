#include "conformance.h"

#include <fstream>
#include <stdexcept>
#include <string>

namespace conformance {

HANDLE OpenVolume(char letter, DWORD access, DWORD share, DWORD disposition) {
    const char path[] = {'\\', '\\', '.', '\\', letter, ':', '\0'};
    return CreateFileA(path, access, share, nullptr, disposition, 0, nullptr);
}

BOOL Control(HANDLE volume, DWORD code) {
    DWORD returned = 0;
    return DeviceIoControl(volume, code, nullptr, 0, nullptr, 0, &returned, nullptr);
}

testsupport::Bytes ImageBytes(const std::filesystem::path& image, std::uint64_t offset, std::size_t count) {
    std::ifstream in(image, std::ios::binary);
    testsupport::Bytes bytes(count);
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count)))
        throw std::runtime_error("cannot read " + std::to_string(count) + " bytes at " + std::to_string(offset) +
                                 " of " + image.string());
    return bytes;
}

testsupport::Bytes ReadVolume(HANDLE volume, std::uint64_t offset, DWORD count) {
    LONG high = static_cast<LONG>(offset >> 32);
    SetFilePointer(volume, static_cast<LONG>(offset & 0xFFFFFFFF), &high, FILE_BEGIN);
    testsupport::Bytes bytes(count);
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(volume, bytes.data(), count, &got, nullptr)) << GetLastError();
    bytes.resize(got);
    return bytes;
}

} // namespace conformance
