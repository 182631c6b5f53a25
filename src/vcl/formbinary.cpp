#include "vcl/formbinary.h"

#include <algorithm>
#include <string>

#include "win32/little_endian.h"

namespace vcl {

namespace {
constexpr std::string_view Signature = "TPF0";

class BinaryReader {
public:
    BinaryReader(std::span<const std::uint8_t> form, std::string_view source) : form_(form), source_(source) {}

    TFormObject ReadForm() {
        if (!IsBinaryForm(form_)) Fail(0, "not a binary form: the signature is not TPF0");
        pos_ = Signature.size();
        TFormObject root = ReadObject(1);
        if (pos_ != form_.size()) Fail(pos_, "unexpected data after the end of the form");
        return root;
    }

private:
    std::span<const std::uint8_t> form_;
    std::string_view source_;
    std::size_t pos_ = 0;

    [[noreturn]] void Fail(std::size_t offset, std::string_view what) const {
        throw EReadError(source_, TFormPosition::AtByte(offset), what);
    }

    std::size_t Left() const { return form_.size() - pos_; }

    std::uint8_t PeekByte(std::string_view expected) const {
        if (Left() == 0) Fail(pos_, "unexpected end of the form, expected " + std::string(expected));
        return form_[pos_];
    }
    std::uint8_t ReadByte(std::string_view expected) {
        std::uint8_t b = PeekByte(expected);
        ++pos_;
        return b;
    }

    std::uint64_t ReadLittleEndian(std::size_t size, std::string_view expected) {
        if (Left() < size)
            Fail(pos_, "unexpected end of the form inside " + std::string(expected));
        const std::uint64_t value = win32::LittleEndian(form_, pos_, size);
        pos_ += size;
        return value;
    }

    std::string ReadChars(std::size_t length, std::size_t lengthAt, std::string_view what) {
        if (Left() < length)
            Fail(lengthAt, std::string(what) + " of " + std::to_string(length) +
                               " bytes runs past the end of the form at byte " + std::to_string(form_.size()));
        std::string text(reinterpret_cast<const char*>(form_.data() + pos_), length);
        pos_ += length;
        return text;
    }

    std::string ReadShortString(std::string_view what) {
        std::size_t at = pos_;
        std::size_t length = ReadByte(what);
        return ReadChars(length, at, what);
    }

    TFormObject ReadObject(int depth) {
        if (depth > MaxFormDepth)
            Fail(pos_, "components nested deeper than " + std::to_string(MaxFormDepth) + " levels");
        TFormObject object;
        object.Where = TFormPosition::AtByte(pos_);
        // A first byte of the form 0xFn carries filer flags (inherited, inline,
        // child position), which belong to forms with ancestors.
        if ((PeekByte("a class name") & 0xF0) == 0xF0)
            Fail(pos_, "inherited and inline components are not supported");
        object.ClassName = ReadShortString("a class name");
        object.Name = ReadShortString("a component name");
        while (PeekByte("a property name or the end of the property list") != 0)
            object.Properties.push_back(ReadProperty());
        ++pos_;
        while (PeekByte("a component or the end of the component list") != 0)
            object.Children.push_back(ReadObject(depth + 1));
        ++pos_;
        return object;
    }

    TFormProperty ReadProperty() {
        TFormProperty property;
        property.Where = TFormPosition::AtByte(pos_);
        property.Name = ReadShortString("a property name");
        property.Value = ReadValue(property.Name);
        return property;
    }

    TFormValue ReadValue(const std::string& propertyName) {
        TFormValue value;
        value.Where = TFormPosition::AtByte(pos_);
        std::string expected = "the value of " + propertyName;
        value.Type = static_cast<TValueType>(ReadByte(expected));
        switch (value.Type) {
        case TValueType::vaInt8: value.Integer = static_cast<std::int8_t>(ReadLittleEndian(1, expected)); break;
        case TValueType::vaInt16: value.Integer = static_cast<std::int16_t>(ReadLittleEndian(2, expected)); break;
        case TValueType::vaInt32: value.Integer = static_cast<std::int32_t>(ReadLittleEndian(4, expected)); break;
        case TValueType::vaInt64: value.Integer = static_cast<std::int64_t>(ReadLittleEndian(8, expected)); break;
        case TValueType::vaString:
        case TValueType::vaIdent: value.Text = ReadShortString(expected); break;
        case TValueType::vaLString: {
            std::size_t at = pos_;
            auto length = static_cast<std::size_t>(ReadLittleEndian(4, expected));
            value.Text = ReadChars(length, at, expected);
            break;
        }
        case TValueType::vaFalse:
        case TValueType::vaTrue: break;
        default:
            Fail(value.Where.Offset, "unsupported value type " + ValueTypeName(value.Type) + " for " + propertyName);
        }
        return value;
    }
};

class BinaryWriter {
public:
    TBytes Write(const TFormObject& root) {
        out_.assign(Signature.begin(), Signature.end());
        WriteObject(root);
        return std::move(out_);
    }

private:
    TBytes out_;

    void WriteLittleEndian(std::uint64_t value, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    void WriteShortString(const std::string& text, std::string_view what) {
        if (text.size() > 255)
            throw EWriteError(std::string(what) + " '" + text.substr(0, 32) + "...' is longer than 255 bytes");
        out_.push_back(static_cast<std::uint8_t>(text.size()));
        out_.insert(out_.end(), text.begin(), text.end());
    }

    void WriteObject(const TFormObject& object) {
        // A first byte of 0xF0 or more would read back as filer flags.
        if (object.ClassName.size() >= 0xF0)
            throw EWriteError("class name '" + object.ClassName.substr(0, 32) + "...' is longer than 239 bytes");
        WriteShortString(object.ClassName, "class name");
        WriteShortString(object.Name, "component name");
        for (const TFormProperty& property : object.Properties) {
            WriteShortString(property.Name, "property name");
            WriteValue(property.Value, property.Name);
        }
        out_.push_back(0);
        for (const TFormObject& child : object.Children) WriteObject(child);
        out_.push_back(0);
    }

    void WriteValue(const TFormValue& value, const std::string& propertyName) {
        out_.push_back(static_cast<std::uint8_t>(value.Type));
        auto bits = static_cast<std::uint64_t>(value.Integer);
        switch (value.Type) {
        case TValueType::vaInt8: WriteLittleEndian(bits, 1); break;
        case TValueType::vaInt16: WriteLittleEndian(bits, 2); break;
        case TValueType::vaInt32: WriteLittleEndian(bits, 4); break;
        case TValueType::vaInt64: WriteLittleEndian(bits, 8); break;
        case TValueType::vaString:
        case TValueType::vaIdent: WriteShortString(value.Text, "value of " + propertyName); break;
        case TValueType::vaLString:
            WriteLittleEndian(value.Text.size(), 4);
            out_.insert(out_.end(), value.Text.begin(), value.Text.end());
            break;
        case TValueType::vaFalse:
        case TValueType::vaTrue: break;
        default: throw EWriteError("value type " + ValueTypeName(value.Type) + " of " + propertyName + " cannot be written");
        }
    }
};
} // namespace

bool IsBinaryForm(std::span<const std::uint8_t> Form) {
    return Form.size() >= Signature.size() && std::equal(Signature.begin(), Signature.end(), Form.begin());
}

TFormObject ReadBinaryForm(std::span<const std::uint8_t> Form, std::string_view Source) {
    return BinaryReader(Form, Source).ReadForm();
}

TBytes WriteBinaryForm(const TFormObject& Form) { return BinaryWriter().Write(Form); }

} // namespace vcl
