#include "vcl/registry.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "vcl/datamodule.h"
#include "vcl/sysutils.h"

namespace vcl {

namespace {
struct Registry {
    std::mutex lock;
    std::vector<const TClassInfo*> classes{&TDataModule::StaticClassInfo()};

    const TClassInfo* Find(std::string_view name) const {
        auto found = std::find_if(classes.begin(), classes.end(),
                                  [&](const TClassInfo* c) { return SameText(c->ClassName, name); });
        return found == classes.end() ? nullptr : *found;
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}
} // namespace

void RegisterClass(const TClassInfo& Class) {
    if (!Class.Create)
        throw EFilerError("Class " + std::string(Class.ClassName) + " is not a component class and cannot be registered");
    Registry& registry = TheRegistry();
    std::scoped_lock guard(registry.lock);
    const TClassInfo* known = registry.Find(Class.ClassName);
    if (known == &Class) return;
    if (known) throw EFilerError("A class named " + std::string(Class.ClassName) + " has already been registered");
    registry.classes.push_back(&Class);
}

void UnRegisterClass(const TClassInfo& Class) {
    Registry& registry = TheRegistry();
    std::scoped_lock guard(registry.lock);
    std::erase(registry.classes, &Class);
}

const TClassInfo* GetClass(std::string_view ClassName) {
    Registry& registry = TheRegistry();
    std::scoped_lock guard(registry.lock);
    return registry.Find(ClassName);
}

const TClassInfo& FindClass(std::string_view ClassName) {
    if (const TClassInfo* found = GetClass(ClassName)) return *found;
    throw EClassNotFound("Class " + std::string(ClassName) + " not found");
}

std::vector<const TClassInfo*> RegisteredClasses() {
    Registry& registry = TheRegistry();
    std::scoped_lock guard(registry.lock);
    return registry.classes;
}

} // namespace vcl
