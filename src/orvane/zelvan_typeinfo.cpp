// The published face of unit Orvane: its types and TZelvan's properties, in
// declaration order, with the defaults that the constructor sets.
#include "orvane/orvane.h"

namespace Orvane {

namespace {
constexpr std::string_view FloppyTypeNames[] = {"DUnknown", "D360", "D1200", "D720", "D1440"};
} // namespace

const vcl::TTypeInfo TypeInfo_TFloppyType{vcl::TTypeKind::tkEnumeration, "TFloppyType", vcl::TOrdType::otUByte,
                                          DUnknown, D1440, FloppyTypeNames};
// Design tools offer 1..25; the component stores whatever it is given.
const vcl::TTypeInfo TypeInfo_TRetries{vcl::TTypeKind::tkInteger, "TRetries", vcl::TOrdType::otUByte, 1, 25};

const vcl::TClassInfo& TZelvan::StaticClassInfo() {
    using namespace vcl;
    static const TPropInfo properties[] = {
        {"DriveName", &TypeInfoChar, ReadFrom<&TZelvan::FDriveName>("FDriveName"),
         WriteThrough<&TZelvan::SetDisk>("SetDisk"), DefaultDriveName},
        {"FirstSector", &TypeInfoCardinal, ReadFrom<&TZelvan::FFirstSector>("FFirstSector"),
         WriteThrough<&TZelvan::SetFirstSector>("SetFirstSector"), DefaultFirstSector},
        {"Sectors", &TypeInfoCardinal, ReadFrom<&TZelvan::FSectors>("FSectors"),
         WriteThrough<&TZelvan::SetSectors>("SetSectors"), DefaultSectors},
        {"NeedDiskLock", &TypeInfoBoolean, ReadFrom<&TZelvan::FNeedDiskLock>("FNeedDiskLock"),
         WriteTo<&TZelvan::FNeedDiskLock>("FNeedDiskLock"), DefaultNeedDiskLock},
        {"NeedWriteWarn", &TypeInfoBoolean, ReadFrom<&TZelvan::FNeedWriteWarn>("FNeedWriteWarn"),
         WriteTo<&TZelvan::FNeedWriteWarn>("FNeedWriteWarn"), DefaultNeedWriteWarn},
        {"Retries", &TypeInfo_TRetries, ReadFrom<&TZelvan::FRetries>("FRetries"),
         WriteTo<&TZelvan::FRetries>("FRetries"), DefaultRetries},
    };
    static const TClassInfo info{"TZelvan", &TComponent::StaticClassInfo(), properties, &CreateComponent<TZelvan>};
    return info;
}

const vcl::TClassInfo& TZelvan::ClassInfo() const { return StaticClassInfo(); }

} // namespace Orvane
