#include "zelvan-host/host_io.h"

#include "vcl/formtext.h"

namespace zelvan_host {

vcl::TBytes ReadFormFile(const std::string& path) { return tools::ReadInputFile(path, formFile); }

std::string FormatOrdinal(const vcl::TTypeInfo& type, std::int64_t ordinal) {
    switch (type.Kind) {
    case vcl::TTypeKind::tkChar:
        return vcl::FormatTextValue(vcl::TFormValue::OfString(std::string(1, static_cast<char>(ordinal))));
    case vcl::TTypeKind::tkBool: return ordinal ? "True" : "False";
    case vcl::TTypeKind::tkEnumeration: {
        std::string_view name = vcl::GetEnumName(type, ordinal);
        return name.empty() ? std::to_string(ordinal) : std::string(name);
    }
    case vcl::TTypeKind::tkInteger: break;
    }
    return std::to_string(ordinal);
}

} // namespace zelvan_host
