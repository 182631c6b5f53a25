#include "zelvan-host/host_io.h"

#include <cstdio>

#include "common/files.h"
#include "common/outcome.h"
#include "vcl/formtext.h"

namespace zelvan_host {

vcl::TBytes ReadWholeFile(const std::string& path) {
    // A folder opens on some systems and fails only when read: both say so.
    const tools::UniqueFile file(std::fopen(path.c_str(), "rb"));
    if (!file) throw tools::Failure(path + ": cannot read: " + tools::SystemReason());
    vcl::TBytes bytes;
    std::uint8_t chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    if (std::ferror(file.get())) throw tools::Failure(path + ": cannot read: " + tools::SystemReason());
    return bytes;
}

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
