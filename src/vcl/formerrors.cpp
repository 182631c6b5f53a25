#include "vcl/formerrors.h"

namespace vcl {

std::string TFormPosition::Describe() const {
    if (Text) return "line " + std::to_string(Line) + ", column " + std::to_string(Column);
    return "byte " + std::to_string(Offset);
}

EReadError::EReadError(std::string_view Source, const TFormPosition& Where, std::string_view What)
    : EFilerError(std::string(Source) + ": " + Where.Describe() + ": " + std::string(What)), FWhere(Where) {}

} // namespace vcl
