// Published-property type information: what a form file, a design tool and
// the object inspector know of a class without knowing the class.
//
// A class describes itself once, beside its declaration, as a TClassInfo:
// its name, its parent's information, its published properties in
// declaration order and its virtual constructor. Every property here is an
// ordinal (character, integer, Boolean, enumeration) and travels as an
// int64 ordinal between the object and the streaming code.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "vcl/classes.h"
#include "vcl/system.h"

namespace vcl {

enum class TTypeKind : std::uint8_t { tkInteger, tkChar, tkEnumeration, tkBool };

// How an ordinal is held in memory.
enum class TOrdType : std::uint8_t { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };

struct TTypeInfo {
    TTypeKind Kind;
    std::string_view Name;
    TOrdType OrdType;
    // Declared bounds (a subrange's, or the whole of its storage).
    std::int64_t MinValue;
    std::int64_t MaxValue;
    // Value names of an enumeration, by ordinal.
    std::span<const std::string_view> EnumNames = {};
};

// The ordinals that the storage of `type` can hold, whatever its bounds.
struct TOrdRange {
    std::int64_t Min;
    std::int64_t Max;
};
TOrdRange StorageRange(TOrdType type);
// Size in bytes of the storage.
int StorageSize(TOrdType type);
std::string_view OrdTypeName(TOrdType type);
// Name of an enumeration value, or an empty view when the ordinal has none.
std::string_view GetEnumName(const TTypeInfo& type, std::int64_t value);
// Ordinal of a value name (case-insensitive, as the classic readers match it).
std::optional<std::int64_t> GetEnumValue(const TTypeInfo& type, std::string_view name);

inline constexpr TTypeInfo TypeInfoChar{TTypeKind::tkChar, "Char", TOrdType::otUByte, 0, 255};
inline constexpr TTypeInfo TypeInfoBoolean{TTypeKind::tkBool, "Boolean", TOrdType::otUByte, 0, 1};
inline constexpr TTypeInfo TypeInfoCardinal{TTypeKind::tkInteger, "Cardinal",
                                            std::is_signed_v<Cardinal> ? TOrdType::otSLong : TOrdType::otULong, 0,
                                            std::numeric_limits<Cardinal>::max()};

using TOrdGetter = std::int64_t (*)(const TObject& Instance);
using TOrdSetter = void (*)(TObject& Instance, std::int64_t Value);

enum class TAccessKind : std::uint8_t { Field, Method };

struct TPropReader {
    TAccessKind Kind;
    std::string_view Name; // the field or method, for design tools
    TOrdGetter Get;
};
struct TPropWriter {
    TAccessKind Kind;
    std::string_view Name;
    TOrdSetter Set;
};

struct TPropInfo {
    std::string_view Name;
    const TTypeInfo* PropType;
    TPropReader Read;
    TPropWriter Write;
    // A property equal to its default is not written; none means always written.
    std::optional<std::int64_t> Default;
    bool Stored = true;
};

struct TClassInfo {
    std::string_view ClassName;
    const TClassInfo* Parent;
    // The properties this class publishes itself, in declaration order.
    std::span<const TPropInfo> Properties;
    // The virtual constructor; null for a class that is not a component.
    TComponent* (*Create)(TComponent* AOwner);
};

// Every published property of the class, inherited ones first.
std::vector<const TPropInfo*> GetPropList(const TClassInfo& Class);
// A published property by name (case-insensitive), or null.
const TPropInfo* GetPropInfo(const TClassInfo& Class, std::string_view Name);
bool InheritsFrom(const TClassInfo& Class, const TClassInfo& Ancestor);

// The ordinal as the property's type counts it (a character as 0..255).
template <class T> constexpr std::int64_t OrdinalOf(T value) {
    if constexpr (std::is_same_v<T, char>) return static_cast<unsigned char>(value);
    else if constexpr (std::is_enum_v<T>) return static_cast<std::int64_t>(static_cast<std::underlying_type_t<T>>(value));
    else return static_cast<std::int64_t>(value);
}

namespace detail {
template <class M> struct MemberOf;
template <class C, class T> struct MemberOf<T C::*> {
    using Class = C;
    using Type = T;
};
template <class C, class A> struct MemberOf<void (C::*)(A)> {
    using Class = C;
    using Type = std::remove_cvref_t<A>;
};

// The storage keeps the ordinal's low bits, as the classic runtime's
// SetOrdProp does; readers check the range before they get here.
template <class T> constexpr T FromOrdinal(std::int64_t value) {
    if constexpr (std::is_same_v<T, bool>) return value != 0;
    else return static_cast<T>(value);
}

template <auto Field> std::int64_t GetField(const TObject& instance) {
    using Member = MemberOf<decltype(Field)>;
    return OrdinalOf(static_cast<const typename Member::Class&>(instance).*Field);
}
template <auto Field> void SetField(TObject& instance, std::int64_t value) {
    using Member = MemberOf<decltype(Field)>;
    static_cast<typename Member::Class&>(instance).*Field = FromOrdinal<typename Member::Type>(value);
}
template <auto Setter> void CallSetter(TObject& instance, std::int64_t value) {
    using Member = MemberOf<decltype(Setter)>;
    (static_cast<typename Member::Class&>(instance).*Setter)(FromOrdinal<typename Member::Type>(value));
}
} // namespace detail

// Accessors for a property declaration, e.g.
//   {"DriveName", &TypeInfoChar, ReadFrom<&TZelvan::FDriveName>("FDriveName"),
//    WriteThrough<&TZelvan::SetDisk>("SetDisk"), 'C'}
template <auto Field> constexpr TPropReader ReadFrom(std::string_view name) {
    return {TAccessKind::Field, name, &detail::GetField<Field>};
}
template <auto Field> constexpr TPropWriter WriteTo(std::string_view name) {
    return {TAccessKind::Field, name, &detail::SetField<Field>};
}
template <auto Setter> constexpr TPropWriter WriteThrough(std::string_view name) {
    return {TAccessKind::Method, name, &detail::CallSetter<Setter>};
}

// The virtual constructor of a component class.
template <class C> TComponent* CreateComponent(TComponent* AOwner) { return new C(AOwner); }

} // namespace vcl
