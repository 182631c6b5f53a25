#include "host_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "vcl/formtext.h"

namespace host {

vcl::TBytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError(path + ": cannot read: " + std::strerror(errno));
    vcl::TBytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw FileError(path + ": cannot read: " + std::strerror(errno));
    return bytes;
}

void ReplaceFile(const std::string& path, const vcl::TBytes& bytes) {
    std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::string reason = std::strerror(errno);
            std::filesystem::remove(temporary);
            throw FileError(path + ": cannot write: " + reason);
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary);
        throw FileError(path + ": cannot write: " + error.message());
    }
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

} // namespace host
