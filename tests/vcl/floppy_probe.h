// A component that publishes the one property kind TZelvan does not: an
// enumeration (TFloppyType). Shared by the form tests and the fuzz targets.
#pragma once

#include "orvane/orvane.h"
#include "vcl/classes.h"
#include "vcl/typinfo.h"

class TFloppyProbe : public vcl::TComponent {
public:
    using vcl::TComponent::TComponent;
    static const vcl::TClassInfo& StaticClassInfo() {
        using namespace vcl;
        static const TPropInfo properties[] = {
            {"FloppyType", &Orvane::TypeInfo_TFloppyType, ReadFrom<&TFloppyProbe::FloppyType>("FloppyType"),
             WriteTo<&TFloppyProbe::FloppyType>("FloppyType"), Orvane::DUnknown},
        };
        static const TClassInfo info{"TFloppyProbe", &TComponent::StaticClassInfo(), properties,
                                     &CreateComponent<TFloppyProbe>};
        return info;
    }
    const vcl::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    Orvane::TFloppyType FloppyType = Orvane::DUnknown;
};
