// Components to and from form files.
//
//   vcl::TBytes form = vcl::WriteComponent(*root, vcl::TFormEncoding::Text);
//   std::unique_ptr<vcl::TComponent> copy = vcl::ReadComponent(form, "module.dfm");
//
// Writing stores every stored published property that differs from its
// default, in declaration order (inherited ones first), then the children
// that the root names (TComponent::GetChildren). Reading creates the root
// through the class registry with no owner, and every other component with
// the root as owner; it sets each property the form gives, in the form's
// order, through its writer (field or setter), and calls nothing after the
// last one. A form that cannot be read destroys what it had created and
// throws EReadError.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "vcl/classes.h"
#include "vcl/formtree.h"
#include "vcl/typinfo.h"

namespace vcl {

enum class TFormEncoding { Binary, Text };

// Binary when the form begins with "TPF0", else text.
TFormEncoding DetectFormEncoding(std::span<const std::uint8_t> Form);
TFormObject ReadFormTree(std::span<const std::uint8_t> Form, std::string_view Source);
TBytes WriteFormTree(const TFormObject& Form, TFormEncoding Encoding);

TFormObject ComponentToForm(const TComponent& Root);
std::unique_ptr<TComponent> FormToComponent(const TFormObject& Form, std::string_view Source);

TBytes WriteComponent(const TComponent& Root, TFormEncoding Encoding);
std::unique_ptr<TComponent> ReadComponent(std::span<const std::uint8_t> Form, std::string_view Source);

// A property's current value as a form stores it.
TFormValue GetPropValue(const TObject& Instance, const TPropInfo& Prop);
// The property would be written: stored, and not at its default.
bool IsStoredProp(const TObject& Instance, const TPropInfo& Prop);

} // namespace vcl
