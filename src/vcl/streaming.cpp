#include "vcl/streaming.h"

#include <string>

#include "vcl/formbinary.h"
#include "vcl/formtext.h"
#include "vcl/registry.h"

namespace vcl {

namespace {
std::string KindName(TTypeKind kind) {
    switch (kind) {
    case TTypeKind::tkInteger: return "an integer";
    case TTypeKind::tkChar: return "a single character";
    case TTypeKind::tkEnumeration: return "an identifier";
    case TTypeKind::tkBool: return "True or False";
    }
    return "";
}

std::string Found(const TFormValue& value) {
    if (value.IsInteger()) return "the integer " + std::to_string(value.Integer);
    if (value.IsString()) return "a string of " + std::to_string(value.Text.size()) + " characters";
    if (value.Type == TValueType::vaIdent) return "the identifier " + value.Text;
    return value.Type == TValueType::vaTrue ? "True" : "False";
}

// The ordinals a form may give a property. An unsigned 32-bit property also
// takes the negative 32-bit integers, which is how the classic writers store
// values above 2147483647.
TOrdRange AcceptedRange(TOrdType type) {
    TOrdRange range = StorageRange(type);
    if (type == TOrdType::otULong) range.Min = INT32_MIN;
    return range;
}

class ComponentReader {
public:
    explicit ComponentReader(std::string_view source) : source_(source) {}

    std::unique_ptr<TComponent> ReadRoot(const TFormObject& form) {
        std::unique_ptr<TComponent> root(Create(form, nullptr));
        Fill(*root, form, *root);
        return root;
    }

private:
    std::string_view source_;

    [[noreturn]] void Fail(const TFormPosition& where, std::string_view what) const {
        throw EReadError(source_, where, what);
    }

    TComponent* Create(const TFormObject& form, TComponent* owner) const {
        const TClassInfo* type = GetClass(form.ClassName);
        if (!type) Fail(form.Where, "unknown class '" + form.ClassName + "'");
        return type->Create(owner);
    }

    // Name, properties and children of a component that already exists (and
    // is owned, so that a failure destroys it with the root).
    void Fill(TComponent& component, const TFormObject& form, TComponent& root) const {
        try {
            component.SetName(AnsiString(form.Name));
        } catch (const EComponentError& e) {
            Fail(form.Where, e.what());
        }
        for (const TFormProperty& property : form.Properties) SetProperty(component, property);
        for (const TFormObject& child : form.Children) Fill(*Create(child, &root), child, root);
    }

    void SetProperty(TComponent& component, const TFormProperty& property) const {
        const TClassInfo& type = component.ClassInfo();
        const TPropInfo* prop = GetPropInfo(type, property.Name);
        if (!prop) Fail(property.Where, "unknown property '" + property.Name + "' of " + std::string(type.ClassName));
        prop->Write.Set(component, Ordinal(*prop, property.Value, type));
    }

    std::int64_t Ordinal(const TPropInfo& prop, const TFormValue& value, const TClassInfo& owner) const {
        const TTypeInfo& type = *prop.PropType;
        auto wrong = [&]() {
            Fail(value.Where, "property " + std::string(prop.Name) + " of " + std::string(owner.ClassName) +
                                  " expects " + KindName(type.Kind) + ", not " + Found(value));
        };
        switch (type.Kind) {
        case TTypeKind::tkChar:
            if (!value.IsString() || value.Text.size() != 1) wrong();
            return static_cast<unsigned char>(value.Text[0]);
        case TTypeKind::tkBool:
            if (value.Type != TValueType::vaTrue && value.Type != TValueType::vaFalse) wrong();
            return value.Type == TValueType::vaTrue;
        case TTypeKind::tkEnumeration: {
            if (value.Type != TValueType::vaIdent) wrong();
            std::optional<std::int64_t> ordinal = GetEnumValue(type, value.Text);
            if (!ordinal) Fail(value.Where, "'" + value.Text + "' is not a value of " + std::string(type.Name));
            return *ordinal;
        }
        case TTypeKind::tkInteger: {
            if (!value.IsInteger()) wrong();
            TOrdRange range = AcceptedRange(type.OrdType);
            if (value.Integer < range.Min || value.Integer > range.Max)
                Fail(value.Where, "value " + std::to_string(value.Integer) + " does not fit property " +
                                      std::string(prop.Name) + " (" + std::string(type.Name) + ", " +
                                      std::string(OrdTypeName(type.OrdType)) + ")");
            return value.Integer;
        }
        }
        return 0;
    }
};

void AppendComponent(TFormObject& form, const TComponent& component, const TComponent& root) {
    form.ClassName = component.ClassName();
    form.Name = component.Name().View();
    for (const TPropInfo* prop : GetPropList(component.ClassInfo()))
        if (IsStoredProp(component, *prop)) form.Properties.push_back({std::string(prop->Name), GetPropValue(component, *prop), {}});
    component.GetChildren([&](TComponent* child) { AppendComponent(form.Children.emplace_back(), *child, root); }, &root);
}
} // namespace

TFormEncoding DetectFormEncoding(std::span<const std::uint8_t> Form) {
    return IsBinaryForm(Form) ? TFormEncoding::Binary : TFormEncoding::Text;
}

TFormObject ReadFormTree(std::span<const std::uint8_t> Form, std::string_view Source) {
    return DetectFormEncoding(Form) == TFormEncoding::Binary ? ReadBinaryForm(Form, Source) : ReadTextForm(Form, Source);
}

TBytes WriteFormTree(const TFormObject& Form, TFormEncoding Encoding) {
    return Encoding == TFormEncoding::Binary ? WriteBinaryForm(Form) : WriteTextForm(Form);
}

TFormObject ComponentToForm(const TComponent& Root) {
    TFormObject form;
    AppendComponent(form, Root, Root);
    return form;
}

std::unique_ptr<TComponent> FormToComponent(const TFormObject& Form, std::string_view Source) {
    return ComponentReader(Source).ReadRoot(Form);
}

TBytes WriteComponent(const TComponent& Root, TFormEncoding Encoding) {
    return WriteFormTree(ComponentToForm(Root), Encoding);
}

std::unique_ptr<TComponent> ReadComponent(std::span<const std::uint8_t> Form, std::string_view Source) {
    return FormToComponent(ReadFormTree(Form, Source), Source);
}

TFormValue GetPropValue(const TObject& Instance, const TPropInfo& Prop) {
    std::int64_t ordinal = Prop.Read.Get(Instance);
    const TTypeInfo& type = *Prop.PropType;
    switch (type.Kind) {
    case TTypeKind::tkChar: return TFormValue::OfString(std::string(1, static_cast<char>(ordinal)));
    case TTypeKind::tkBool: return TFormValue::OfBoolean(ordinal != 0);
    case TTypeKind::tkEnumeration: {
        std::string_view name = GetEnumName(type, ordinal);
        if (name.empty())
            throw EWriteError("property " + std::string(Prop.Name) + " holds " + std::to_string(ordinal) +
                              ", which is no value of " + std::string(type.Name));
        return TFormValue::OfIdent(std::string(name));
    }
    case TTypeKind::tkInteger:
        // As the classic writers do: an unsigned 32-bit value travels as the
        // signed 32-bit integer of the same bits.
        if (type.OrdType == TOrdType::otULong) ordinal = static_cast<std::int32_t>(static_cast<std::uint32_t>(ordinal));
        return TFormValue::OfInteger(ordinal);
    }
    return {};
}

bool IsStoredProp(const TObject& Instance, const TPropInfo& Prop) {
    return Prop.Stored && (!Prop.Default || Prop.Read.Get(Instance) != *Prop.Default);
}

} // namespace vcl
