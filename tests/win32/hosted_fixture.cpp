#include "hosted_fixture.h"

namespace hostedtest {

std::filesystem::path HostedTest::MapImage(char letter, unsigned kib, const std::string& options,
                                           hosted::DriveKind kind, bool readOnly) {
    std::filesystem::path image = testsupport::MakeFatImage(dir, std::string(1, letter) + ".img", kib, options);
    hosted::MapDrive(letter, {image.string(), kind, readOnly});
    return image;
}

} // namespace hostedtest
