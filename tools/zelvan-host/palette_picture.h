// The picture the palette shows for a component class: the bitmap named
// after the class in upper case, found through the runtime's module list.
#pragma once

#include <string>

#include "vcl/typinfo.h"
#include "zelvan-host/picture.h"

namespace zelvan_host {

struct PalettePicture {
    std::string name; // the bitmap's: TZELVAN
    TPicture picture;
};

// Throws tools::Failure when the class has no picture that can be shown.
PalettePicture PalettePictureOf(const vcl::TClassInfo& Class);

} // namespace zelvan_host
