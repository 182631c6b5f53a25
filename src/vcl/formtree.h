// A form file as a tree, independent of its encoding: what the binary and
// text readers produce and the writers consume. Conversion between the two
// encodings goes through this tree and needs no class to be registered.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "vcl/formerrors.h"

namespace vcl {

// The value tags of the binary encoding.
enum class TValueType : std::uint8_t {
    vaNull = 0, vaList = 1, vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaExtended = 5, vaString = 6,
    vaIdent = 7, vaFalse = 8, vaTrue = 9, vaBinary = 10, vaSet = 11, vaLString = 12, vaNil = 13,
    vaCollection = 14, vaSingle = 15, vaCurrency = 16, vaDate = 17, vaWString = 18, vaInt64 = 19,
    vaUTF8String = 20,
};

using TBytes = std::vector<std::uint8_t>;

// A property value: an integer (vaInt8..vaInt64), a string (vaString,
// vaLString), an identifier (vaIdent) or a Boolean (vaFalse, vaTrue).
struct TFormValue {
    TValueType Type = TValueType::vaNull;
    std::int64_t Integer = 0;
    std::string Text; // the string or identifier
    TFormPosition Where;

    static TFormValue OfInteger(std::int64_t value); // in the smallest tag that holds it
    static TFormValue OfString(std::string text);    // vaString up to 255 bytes, else vaLString
    static TFormValue OfIdent(std::string name);
    static TFormValue OfBoolean(bool value);
    bool IsInteger() const;
    bool IsString() const;
};

struct TFormProperty {
    std::string Name;
    TFormValue Value;
    TFormPosition Where;
};

struct TFormObject {
    std::string ClassName;
    std::string Name;
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;
    TFormPosition Where;
};

// Equal in content: integers and strings whatever their tag; positions are
// not compared.
bool operator==(const TFormValue& a, const TFormValue& b);
bool operator==(const TFormProperty& a, const TFormProperty& b);
bool operator==(const TFormObject& a, const TFormObject& b);

// Objects nest at most this deep; a deeper form is refused rather than
// followed down.
inline constexpr int MaxFormDepth = 64;

// Names of the value tags, for messages: "vaInt32", or "tag 99".
std::string ValueTypeName(TValueType type);

} // namespace vcl
