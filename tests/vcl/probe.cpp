#include "probe.h"

#include "vcl/registry.h"

namespace probe {

namespace {
constexpr std::string_view KindNames[] = {"pkNone", "pkSome", "pkAll"};
} // namespace

const vcl::TTypeInfo TypeInfo_TProbeKind{vcl::TTypeKind::tkEnumeration, "TProbeKind", vcl::TOrdType::otUByte, pkNone,
                                         pkAll, KindNames};
const vcl::TTypeInfo TypeInfo_TTries{vcl::TTypeKind::tkInteger, "TTries", vcl::TOrdType::otUByte, 1, 25};

void TProbe::SetLetter(char Value) {
    Calls().push_back(std::string(Name().View()) + ".SetLetter(" + std::to_string(int(Value)) + ")");
    FLetter = Value;
}

void TProbe::SetCount(vcl::Cardinal Value) {
    Calls().push_back(std::string(Name().View()) + ".SetCount(" + std::to_string(Value) + ")");
    FCount = Value;
}

int& TProbe::Alive() {
    static int alive = 0;
    return alive;
}

std::vector<std::string>& TProbe::Calls() {
    static std::vector<std::string> calls;
    return calls;
}

const vcl::TClassInfo& TProbe::StaticClassInfo() {
    using namespace vcl;
    static const TPropInfo properties[] = {
        {"Letter", &TypeInfoChar, ReadFrom<&TProbe::FLetter>("FLetter"), WriteThrough<&TProbe::SetLetter>("SetLetter"), 'C'},
        {"Count", &TypeInfoCardinal, ReadFrom<&TProbe::FCount>("FCount"), WriteThrough<&TProbe::SetCount>("SetCount"), 1},
        {"Flag", &TypeInfoBoolean, ReadFrom<&TProbe::Flag>("Flag"), WriteTo<&TProbe::Flag>("Flag"), true},
        {"Kind", &TypeInfo_TProbeKind, ReadFrom<&TProbe::Kind>("Kind"), WriteTo<&TProbe::Kind>("Kind"), pkNone},
        {"Tries", &TypeInfo_TTries, ReadFrom<&TProbe::Tries>("Tries"), WriteTo<&TProbe::Tries>("Tries"), 2},
    };
    static const TClassInfo info{"TProbe", &TComponent::StaticClassInfo(), properties, &CreateComponent<TProbe>};
    return info;
}

const vcl::TClassInfo& TWideProbe::StaticClassInfo() {
    using namespace vcl;
    static const TPropInfo properties[] = {
        {"Extra", &TypeInfoBoolean, ReadFrom<&TWideProbe::Extra>("Extra"), WriteTo<&TWideProbe::Extra>("Extra"), std::nullopt},
    };
    static const TClassInfo info{"TWideProbe", &TProbe::StaticClassInfo(), properties, &CreateComponent<TWideProbe>};
    return info;
}

void RegisterProbes() {
    vcl::RegisterClass(TProbe::StaticClassInfo());
    vcl::RegisterClass(TWideProbe::StaticClassInfo());
}

} // namespace probe
