#include "vcl/datamodule.h"

#include "vcl/typinfo.h"

namespace vcl {

const TClassInfo& TDataModule::StaticClassInfo() {
    static const TClassInfo info{"TDataModule", &TComponent::StaticClassInfo(), {}, &CreateComponent<TDataModule>};
    return info;
}

void TDataModule::GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const {
    // Only as the form's root: a module inside another form stores nothing of its own.
    if (Root != this) return;
    for (int i = 0; i < ComponentCount(); ++i) Proc(Components(i));
}

} // namespace vcl
