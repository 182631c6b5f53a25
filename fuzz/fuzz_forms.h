// What both fuzz targets do with their input, and the valid forms that seed
// them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vcl/streaming.h"

namespace fuzzforms {

// Registers the classes that forms may name (once).
void RegisterClasses();

// Parses the input in one encoding. A form that parses must convert to both
// encodings and back to the same content (or be refused by the writer as
// unrepresentable), and load or be refused with EReadError. Anything else,
// a crash or a sanitizer report, is a finding.
void Exercise(std::span<const std::uint8_t> data, vcl::TFormEncoding encoding);

// Valid forms of every property kind, in the given encoding.
std::vector<vcl::TBytes> SeedForms(vcl::TFormEncoding encoding);

} // namespace fuzzforms
