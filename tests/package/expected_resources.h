// ZelvanPack's resources as its resource script declares them, byte for
// byte: what the hosted and the Windows tests of each build expect.
#pragma once

#include <string>
#include <string_view>

#include "bytes.h"

namespace packagetest {

// The description: UTF-16LE, a zero character, zero padding to a multiple of 4.
testsupport::Bytes ExpectedDescription(std::string_view text);
// The package information of the build that requires `runtime` ("vcl40", "vcl30").
testsupport::Bytes ExpectedPackageInfo(const std::string& runtime);
testsupport::Bytes ExpectedPackageOptions();
// The palette picture: its header and palette field by field, and its size.
void ExpectPalettePicture(const testsupport::Bytes& bitmap);

} // namespace packagetest
