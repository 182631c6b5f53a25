// The text encoding of form files:
//
//   object DataModule1: TDataModule
//     object Zelvan1: TZelvan
//       DriveName = 'D'
//       FirstSector = 100
//     end
//   end
//
// Two spaces of indentation per level, lines ending in LF (CR LF is read
// too). Strings are quoted with ' (doubled inside); characters outside 32..126
// are written #nn between the quoted runs, as the classic converters do.
#pragma once

#include <span>
#include <string_view>

#include "vcl/formtree.h"

namespace vcl {

// Parses a whole text form. Bad text is EReadError naming Source, the line
// and the column.
TFormObject ReadTextForm(std::span<const std::uint8_t> Form, std::string_view Source);
TBytes WriteTextForm(const TFormObject& Form);
// A value as the text encoding writes it: 'D', #0, 100, True, D1440.
std::string FormatTextValue(const TFormValue& Value);

} // namespace vcl
