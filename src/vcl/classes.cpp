#include "vcl/classes.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "vcl/sysutils.h"

namespace vcl {

namespace {
bool IsIdentifier(std::string_view name) {
    auto head = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
    auto tail = [&](char c) { return head(c) || std::isdigit(static_cast<unsigned char>(c)); };
    return !name.empty() && head(name.front()) && std::all_of(name.begin() + 1, name.end(), tail);
}
} // namespace

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(std::string_view Name) const {
    if (Name.empty()) return nullptr;
    auto found = std::find_if(FComponents.begin(), FComponents.end(),
                              [&](const TComponent* c) { return SameText(c->FName.View(), Name); });
    return found == FComponents.end() ? nullptr : *found;
}

void TComponent::SetName(const AnsiString& NewName) {
    if (NewName == FName) return;
    if (!NewName.IsEmpty() && !IsIdentifier(NewName.View()))
        throw EComponentError("'" + std::string(NewName.View()) + "' is not a valid component name");
    if (FOwner && FOwner->FindComponent(NewName.View()))
        throw EComponentError("A component named " + std::string(NewName.View()) + " already exists");
    FName = NewName;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    std::erase(FComponents, AComponent);
    AComponent->FOwner = nullptr;
}

void TComponent::GetChildren(const std::function<void(TComponent*)>&, const TComponent*) const {}

void TComponent::DestroyComponents() {
    // Each owned component removes itself from the list as it is destroyed.
    while (!FComponents.empty()) delete FComponents.back();
}

} // namespace vcl
