// ZelvanPack's resources checked against what each must be: decoded field by
// field, each field compared with its rule. The hosted and the Windows
// tests of each build check them so.
#pragma once

#include <string>
#include <string_view>

#include "bytes.h"

namespace packagetest {

// The text of a DESCRIPTION resource, whose form is checked: UTF-16LE, a
// zero character, zero bytes up to a multiple of 4.
std::string DescriptionText(const testsupport::Bytes& resource);
// The package information of the build that requires `runtime` ("vcl40",
// "vcl30"): its flags, the one package it requires and the three units it
// contains, in order, with their flags, then zero bytes up to a multiple of
// 4. The name hashes are the toolchain's, which the loader checks.
void ExpectPackageInfo(const testsupport::Bytes& resource, const std::string& runtime);
// The options the package was compiled with: the stack sizes, the switch
// that keeps it from being rebuilt implicitly, the unit aliases and the
// description `description` again, as 8-bit text.
void ExpectPackageOptions(const testsupport::Bytes& resource, std::string_view description);
// The palette picture: its header and palette field by field, and its size.
void ExpectPalettePicture(const testsupport::Bytes& bitmap);

} // namespace packagetest
