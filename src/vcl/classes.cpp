#include "vcl/classes.h"

#include <algorithm>
#include <cctype>
#include <iterator>
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
    const auto found = FNames.find(UpperCase(Name));
    return found == FNames.end() ? nullptr : found->second;
}

void TComponent::SetName(const AnsiString& NewName) {
    if (NewName == FName) return;
    if (!NewName.IsEmpty() && !IsIdentifier(NewName.View()))
        throw EComponentError("'" + std::string(NewName.View()) + "' is not a valid component name");
    if (const TComponent* named = FOwner ? FOwner->FindComponent(NewName.View()) : nullptr; named && named != this)
        throw EComponentError("A component named " + std::string(NewName.View()) + " already exists");
    if (FOwner) FOwner->ForgetName(this);
    FName = NewName;
    if (FOwner && !FName.IsEmpty()) FOwner->FNames.emplace(UpperCase(FName.View()), this);
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (FindComponent(AComponent->FName.View()))
        throw EComponentError("A component named " + std::string(AComponent->FName.View()) + " already exists");
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    FComponents.push_back(AComponent);
    if (!AComponent->FName.IsEmpty()) FNames.emplace(UpperCase(AComponent->FName.View()), AComponent);
    AComponent->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    // Components mostly go in the reverse order of their coming: look from the end.
    const auto found = std::find(FComponents.rbegin(), FComponents.rend(), AComponent);
    if (found != FComponents.rend()) FComponents.erase(std::next(found).base());
    ForgetName(AComponent);
    AComponent->FOwner = nullptr;
}

void TComponent::ForgetName(const TComponent* AComponent) {
    const auto named = FNames.find(UpperCase(AComponent->FName.View()));
    if (named != FNames.end() && named->second == AComponent) FNames.erase(named);
}

void TComponent::GetChildren(const std::function<void(TComponent*)>&, const TComponent*) const {}

void TComponent::DestroyComponents() {
    // Each owned component removes itself from the list as it is destroyed.
    while (!FComponents.empty()) delete FComponents.back();
}

} // namespace vcl
