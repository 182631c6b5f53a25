#include "vcl/formtree.h"

#include <cstdint>

namespace vcl {

TFormValue TFormValue::OfInteger(std::int64_t value) {
    TFormValue v;
    v.Integer = value;
    if (value >= INT8_MIN && value <= INT8_MAX) v.Type = TValueType::vaInt8;
    else if (value >= INT16_MIN && value <= INT16_MAX) v.Type = TValueType::vaInt16;
    else if (value >= INT32_MIN && value <= INT32_MAX) v.Type = TValueType::vaInt32;
    else v.Type = TValueType::vaInt64;
    return v;
}

TFormValue TFormValue::OfString(std::string text) {
    TFormValue v;
    v.Type = text.size() > 255 ? TValueType::vaLString : TValueType::vaString;
    v.Text = std::move(text);
    return v;
}

TFormValue TFormValue::OfIdent(std::string name) {
    TFormValue v;
    v.Type = TValueType::vaIdent;
    v.Text = std::move(name);
    return v;
}

TFormValue TFormValue::OfBoolean(bool value) {
    TFormValue v;
    v.Type = value ? TValueType::vaTrue : TValueType::vaFalse;
    return v;
}

bool TFormValue::IsInteger() const {
    return Type == TValueType::vaInt8 || Type == TValueType::vaInt16 || Type == TValueType::vaInt32 ||
           Type == TValueType::vaInt64;
}

bool TFormValue::IsString() const { return Type == TValueType::vaString || Type == TValueType::vaLString; }

// The tag of an integer or string is its encoding, not its content.
bool operator==(const TFormValue& a, const TFormValue& b) {
    if (a.IsInteger() || b.IsInteger()) return a.IsInteger() && b.IsInteger() && a.Integer == b.Integer;
    if (a.IsString() || b.IsString()) return a.IsString() && b.IsString() && a.Text == b.Text;
    return a.Type == b.Type && a.Text == b.Text;
}
bool operator==(const TFormProperty& a, const TFormProperty& b) { return a.Name == b.Name && a.Value == b.Value; }
bool operator==(const TFormObject& a, const TFormObject& b) {
    return a.ClassName == b.ClassName && a.Name == b.Name && a.Properties == b.Properties && a.Children == b.Children;
}

std::string ValueTypeName(TValueType type) {
    static constexpr const char* names[] = {
        "vaNull", "vaList", "vaInt8", "vaInt16", "vaInt32", "vaExtended", "vaString",
        "vaIdent", "vaFalse", "vaTrue", "vaBinary", "vaSet", "vaLString", "vaNil",
        "vaCollection", "vaSingle", "vaCurrency", "vaDate", "vaWString", "vaInt64", "vaUTF8String",
    };
    auto index = static_cast<std::size_t>(type);
    return index < std::size(names) ? names[index] : "tag " + std::to_string(index);
}

} // namespace vcl
