// ReadFile and WriteFile on a volume handle where only the hosted PC can
// look: missing pointers, and a backing that shrinks or vanishes. The rest of
// their rules are Win32VolumeIo's (tests/conformance), which Wine runs too.
#include <filesystem>

#include "hosted_fixture.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;

class VolumeIoTest : public HostedTest {
protected:
    void SetUp() override {
        HostedTest::SetUp();
        image = MapImage('C', 1440, "-F 12");
    }

    DWORD Position(HANDLE volume) { return SetFilePointer(volume, 0, nullptr, FILE_CURRENT); }

    std::filesystem::path image;
};

TEST_F(VolumeIoTest, MissingPointersAreRefused) {
    OwnedHandle volume(OpenVolume('C'));
    Bytes buffer(512);
    DWORD done = 0;
    EXPECT_FALSE(ReadFile(volume.get(), buffer.data(), 512, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(WriteFile(volume.get(), buffer.data(), 512, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(ReadFile(volume.get(), nullptr, 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
    EXPECT_EQ(Position(volume.get()), 0u);
}

TEST_F(VolumeIoTest, ShrunkBackingReadsWhatIsLeftAndNeverGrows) {
    OwnedHandle volume(OpenVolume('C'));
    std::filesystem::resize_file(image, 8 * 512 + 100);
    EXPECT_EQ(ReadVolume(volume.get(), 7 * 512, 1024), testsupport::DdRead(image, 7 * 512, 512));
    Bytes data(512, 1);
    DWORD put = 0;
    SetFilePointer(volume.get(), 8 * 512, nullptr, FILE_BEGIN);
    EXPECT_FALSE(ReadFile(volume.get(), data.data(), 512, &put, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_SECTOR_NOT_FOUND);
    SetFilePointer(volume.get(), 8 * 512, nullptr, FILE_BEGIN);
    EXPECT_FALSE(WriteFile(volume.get(), data.data(), 512, &put, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
    EXPECT_EQ(std::filesystem::file_size(image), 8u * 512 + 100);
}

TEST_F(VolumeIoTest, VanishedBackingIsNotReady) {
    std::filesystem::remove(image);
    EXPECT_EQ(OpenVolume('C'), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

} // namespace
} // namespace hostedtest
