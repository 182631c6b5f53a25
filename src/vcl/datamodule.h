// The root container of a form with no visual side: it owns the components
// read into it and stores them as its children.
#pragma once

#include "vcl/classes.h"

namespace vcl {

class TDataModule : public TComponent {
public:
    using TComponent::TComponent;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    void GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const override;
};

} // namespace vcl
