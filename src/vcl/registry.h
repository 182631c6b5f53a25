// The class registry: how a form's class names become classes, and so
// components (virtual construction through TClassInfo::Create).
#pragma once

#include <string_view>
#include <vector>

#include "vcl/formerrors.h"
#include "vcl/typinfo.h"

namespace vcl {

// Makes a component class known to form readers. Registering a class again
// does nothing; another class of the same name is refused (EFilerError).
// The runtime's own TDataModule is always registered.
void RegisterClass(const TClassInfo& Class);
void UnRegisterClass(const TClassInfo& Class);
// The registered class of that name (case-insensitive), or null.
const TClassInfo* GetClass(std::string_view ClassName);
// As GetClass, but a missing class is EClassNotFound.
const TClassInfo& FindClass(std::string_view ClassName);
// Every registered class, in the order of registration.
std::vector<const TClassInfo*> RegisteredClasses();

} // namespace vcl
