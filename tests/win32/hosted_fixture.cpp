#include "hosted_fixture.h"

namespace hostedtest {

std::string VolumePath(char letter) { return std::string("\\\\.\\") + letter + ":"; }

HANDLE OpenVolume(char letter, DWORD access, DWORD share) {
    return CreateFileA(VolumePath(letter).c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

std::filesystem::path HostedTest::MapImage(char letter, unsigned kib, const std::string& options,
                                           hosted::DriveKind kind, bool readOnly) {
    std::filesystem::path image = testsupport::MakeFatImage(dir, std::string(1, letter) + ".img", kib, options);
    hosted::MapDrive(letter, {image.string(), kind, readOnly});
    return image;
}

testsupport::Bytes ReadVolume(HANDLE volume, std::uint64_t offset, DWORD count) {
    LONG high = static_cast<LONG>(offset >> 32);
    SetFilePointer(volume, static_cast<LONG>(offset & 0xFFFFFFFF), &high, FILE_BEGIN);
    testsupport::Bytes bytes(count);
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(volume, bytes.data(), count, &got, nullptr));
    bytes.resize(got);
    return bytes;
}

} // namespace hostedtest
