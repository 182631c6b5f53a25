// The component model: objects, persistent objects and components that
// belong to an owner.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vcl/system.h"

namespace vcl {

struct TClassInfo; // typinfo.h

class TObject {
public:
    TObject() = default;
    virtual ~TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    // The type information of the object's own class.
    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    std::string_view ClassName() const;
};

class TPersistent : public TObject {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class EComponentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A component belongs to its owner, which destroys it in its own destructor.
// A component created with no owner is destroyed by its creator.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const { return FComponents.at(static_cast<std::size_t>(Index)); }
    TComponent* FindComponent(std::string_view Name) const;

    const AnsiString& Name() const { return FName; }
    // A name is empty or an identifier, unique among the owner's components.
    void SetName(const AnsiString& NewName);

    // Takes AComponent from its owner, if it has one; refuses one whose
    // name another of this component's components has.
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    void DestroyComponents();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // The components that a form stores inside this one when Root is the
    // form's root; a plain component stores none.
    virtual void GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const;

private:
    void ForgetName(const TComponent* AComponent);

    TComponent* FOwner = nullptr;
    AnsiString FName;
    std::vector<TComponent*> FComponents;
    // The owned components that have a name, by their names in upper case:
    // a name is found, and kept unique, at once among any number of siblings.
    std::unordered_map<std::string, TComponent*> FNames;
};

} // namespace vcl
