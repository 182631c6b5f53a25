#include "zelvan-host/palette_picture.h"

#include <algorithm>
#include <cctype>

#include "common/outcome.h"
#include "vcl/modules.h"

namespace zelvan_host {

PalettePicture PalettePictureOf(const vcl::TClassInfo& Class) {
    std::string name(Class.ClassName);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const std::optional<vcl::TFoundResource> bitmap = vcl::FindResource(name.c_str(), RT_BITMAP);
    if (!bitmap) throw tools::Failure(std::string(Class.ClassName) + " has no palette picture: no bitmap " + name);
    return {name, DecodeBitmap(bitmap->Bytes, "the bitmap " + name)};
}

} // namespace zelvan_host
