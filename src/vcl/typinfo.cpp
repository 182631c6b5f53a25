#include "vcl/typinfo.h"

#include "vcl/sysutils.h"

namespace vcl {

TOrdRange StorageRange(TOrdType type) {
    switch (type) {
    case TOrdType::otSByte: return {INT8_MIN, INT8_MAX};
    case TOrdType::otUByte: return {0, UINT8_MAX};
    case TOrdType::otSWord: return {INT16_MIN, INT16_MAX};
    case TOrdType::otUWord: return {0, UINT16_MAX};
    case TOrdType::otSLong: return {INT32_MIN, INT32_MAX};
    case TOrdType::otULong: return {0, UINT32_MAX};
    }
    return {0, 0};
}

int StorageSize(TOrdType type) {
    switch (type) {
    case TOrdType::otSByte:
    case TOrdType::otUByte: return 1;
    case TOrdType::otSWord:
    case TOrdType::otUWord: return 2;
    case TOrdType::otSLong:
    case TOrdType::otULong: return 4;
    }
    return 0;
}

std::string_view OrdTypeName(TOrdType type) {
    switch (type) {
    case TOrdType::otSByte: return "signed byte";
    case TOrdType::otUByte: return "unsigned byte";
    case TOrdType::otSWord: return "signed word";
    case TOrdType::otUWord: return "unsigned word";
    case TOrdType::otSLong: return "signed 32-bit";
    case TOrdType::otULong: return "unsigned 32-bit";
    }
    return "";
}

std::string_view GetEnumName(const TTypeInfo& type, std::int64_t value) {
    if (value < 0 || static_cast<std::uint64_t>(value) >= type.EnumNames.size()) return {};
    return type.EnumNames[static_cast<std::size_t>(value)];
}

std::optional<std::int64_t> GetEnumValue(const TTypeInfo& type, std::string_view name) {
    for (std::size_t i = 0; i < type.EnumNames.size(); ++i)
        if (SameText(type.EnumNames[i], name)) return static_cast<std::int64_t>(i);
    return std::nullopt;
}

std::vector<const TPropInfo*> GetPropList(const TClassInfo& Class) {
    std::vector<const TPropInfo*> list = Class.Parent ? GetPropList(*Class.Parent) : std::vector<const TPropInfo*>{};
    for (const TPropInfo& prop : Class.Properties) list.push_back(&prop);
    return list;
}

const TPropInfo* GetPropInfo(const TClassInfo& Class, std::string_view Name) {
    for (const TClassInfo* c = &Class; c; c = c->Parent)
        for (const TPropInfo& prop : c->Properties)
            if (SameText(prop.Name, Name)) return &prop;
    return nullptr;
}

bool InheritsFrom(const TClassInfo& Class, const TClassInfo& Ancestor) {
    for (const TClassInfo* c = &Class; c; c = c->Parent)
        if (c == &Ancestor) return true;
    return false;
}

const TClassInfo& TObject::StaticClassInfo() {
    static const TClassInfo info{"TObject", nullptr, {}, nullptr};
    return info;
}

std::string_view TObject::ClassName() const { return ClassInfo().ClassName; }

const TClassInfo& TPersistent::StaticClassInfo() {
    static const TClassInfo info{"TPersistent", &TObject::StaticClassInfo(), {}, nullptr};
    return info;
}

const TClassInfo& TComponent::StaticClassInfo() {
    static const TClassInfo info{"TComponent", &TPersistent::StaticClassInfo(), {}, &CreateComponent<TComponent>};
    return info;
}

} // namespace vcl
