#include "vcl/formtext.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <string>

#include "vcl/sysutils.h"

namespace vcl {

namespace {
enum class TokenKind { End, Symbol, Integer, String, Float, Char };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text; // symbol, string contents, or the one character
    std::int64_t integer = 0;
    TFormPosition where;
};

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || std::isdigit(static_cast<unsigned char>(c)); }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string Shown(char c) {
    auto code = static_cast<unsigned char>(c);
    return code >= 32 && code < 127 ? "'" + std::string(1, c) + "'" : "#" + std::to_string(code);
}

class Lexer {
public:
    Lexer(std::string_view text, std::string_view source) : text_(text), source_(source) { Advance(); }

    const Token& Current() const { return current_; }
    Token Take() {
        Token taken = std::move(current_);
        Advance();
        return taken;
    }

    [[noreturn]] void Fail(const TFormPosition& where, std::string_view what) const {
        throw EReadError(source_, where, what);
    }

private:
    std::string_view text_;
    std::string_view source_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::size_t lineStart_ = 0;
    Token current_;

    TFormPosition Here() const { return TFormPosition::AtLine(line_, pos_ - lineStart_ + 1); }
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek(std::size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

    void SkipBlanks() {
        while (!AtEnd()) {
            char c = text_[pos_];
            if (c == '\n') {
                ++pos_;
                ++line_;
                lineStart_ = pos_;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++pos_;
            } else {
                break;
            }
        }
    }

    void Advance() {
        SkipBlanks();
        current_ = Token{};
        current_.where = Here();
        if (AtEnd()) return;
        char c = Peek();
        if (IsIdentStart(c)) {
            std::size_t start = pos_;
            while (IsIdentChar(Peek())) ++pos_;
            current_.kind = TokenKind::Symbol;
            current_.text = text_.substr(start, pos_ - start);
        } else if (IsDigit(c) || c == '$' || (c == '-' && (IsDigit(Peek(1)) || Peek(1) == '$'))) {
            LexNumber();
        } else if (c == '\'' || c == '#') {
            LexString();
        } else {
            ++pos_;
            current_.kind = TokenKind::Char;
            current_.text = std::string(1, c);
        }
    }

    // Digits of `base` into a magnitude, refusing what int64 cannot hold.
    std::uint64_t LexDigits(int base, std::uint64_t limit) {
        std::uint64_t magnitude = 0;
        std::size_t start = pos_;
        while (std::isxdigit(static_cast<unsigned char>(Peek())) && (base == 16 || IsDigit(Peek()))) {
            unsigned digit = IsDigit(Peek()) ? unsigned(Peek() - '0')
                                             : unsigned(std::tolower(static_cast<unsigned char>(Peek())) - 'a' + 10);
            if (magnitude > (limit - digit) / unsigned(base)) Fail(current_.where, "integer out of range");
            magnitude = magnitude * unsigned(base) + digit;
            ++pos_;
        }
        if (pos_ == start) Fail(Here(), "digits expected");
        return magnitude;
    }

    void LexNumber() {
        bool negative = Peek() == '-';
        if (negative) ++pos_;
        bool hex = Peek() == '$';
        if (hex) ++pos_;
        std::uint64_t limit = negative ? std::uint64_t{1} << 63 : std::numeric_limits<std::int64_t>::max();
        std::uint64_t magnitude = LexDigits(hex ? 16 : 10, limit);
        if (!hex && (Peek() == '.' || Peek() == 'e' || Peek() == 'E')) {
            current_.kind = TokenKind::Float;
            return;
        }
        current_.kind = TokenKind::Integer;
        current_.integer = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    }

    // Quoted runs and #nn characters written next to each other make one string.
    void LexString() {
        current_.kind = TokenKind::String;
        while (Peek() == '\'' || Peek() == '#') {
            if (Peek() == '#') {
                TFormPosition at = Here();
                ++pos_;
                bool hex = Peek() == '$';
                if (hex) ++pos_;
                std::uint64_t code = LexDigits(hex ? 16 : 10, std::numeric_limits<std::int64_t>::max());
                if (code > 255) Fail(at, "character #" + std::to_string(code) + " is outside the 8-bit range");
                current_.text.push_back(static_cast<char>(code));
                continue;
            }
            TFormPosition at = Here();
            ++pos_;
            for (;;) {
                if (AtEnd() || Peek() == '\n' || Peek() == '\r') Fail(at, "unterminated string");
                if (Peek() == '\'') {
                    if (Peek(1) != '\'') break;
                    ++pos_;
                }
                current_.text.push_back(Peek());
                ++pos_;
            }
            ++pos_;
        }
    }
};

std::string Describe(const Token& token) {
    switch (token.kind) {
    case TokenKind::End: return "the end of the form";
    case TokenKind::Symbol: return "'" + token.text + "'";
    case TokenKind::Integer: return "the integer " + std::to_string(token.integer);
    case TokenKind::String: return "a string";
    case TokenKind::Float: return "a floating-point number";
    case TokenKind::Char: return Shown(token.text[0]);
    }
    return "";
}

class TextReader {
public:
    TextReader(std::string_view text, std::string_view source) : lex_(text, source) {}

    TFormObject ReadForm() {
        TFormObject root = ReadObject(1);
        if (lex_.Current().kind != TokenKind::End)
            lex_.Fail(lex_.Current().where, "unexpected " + Describe(lex_.Current()) + " after the end of the form");
        return root;
    }

private:
    Lexer lex_;

    bool IsSymbol(std::string_view word) const {
        return lex_.Current().kind == TokenKind::Symbol && SameText(lex_.Current().text, word);
    }
    bool AtObject() const { return IsSymbol("object") || IsSymbol("inherited") || IsSymbol("inline"); }

    [[noreturn]] void Expected(std::string_view what) const {
        lex_.Fail(lex_.Current().where, "expected " + std::string(what) + ", found " + Describe(lex_.Current()));
    }

    Token ExpectSymbol(std::string_view what) {
        if (lex_.Current().kind != TokenKind::Symbol) Expected(what);
        return lex_.Take();
    }
    void ExpectChar(char c) {
        if (lex_.Current().kind != TokenKind::Char || lex_.Current().text[0] != c) Expected(Shown(c));
        lex_.Take();
    }
    bool AtChar(char c) const { return lex_.Current().kind == TokenKind::Char && lex_.Current().text[0] == c; }

    TFormObject ReadObject(int depth) {
        TFormObject object;
        object.Where = lex_.Current().where;
        if (!AtObject()) Expected("'object'");
        if (depth > MaxFormDepth)
            lex_.Fail(object.Where, "components nested deeper than " + std::to_string(MaxFormDepth) + " levels");
        if (!IsSymbol("object")) lex_.Fail(object.Where, "inherited and inline components are not supported");
        lex_.Take();
        std::string first = ExpectSymbol("a component name or class name").text;
        if (AtChar(':')) {
            lex_.Take();
            object.Name = std::move(first);
            object.ClassName = ExpectSymbol("a class name").text;
        } else {
            object.ClassName = std::move(first);
        }
        while (!IsSymbol("end") && !AtObject()) object.Properties.push_back(ReadProperty());
        while (!IsSymbol("end")) {
            if (!AtObject()) Expected("'object' or 'end'");
            object.Children.push_back(ReadObject(depth + 1));
        }
        lex_.Take();
        return object;
    }

    TFormProperty ReadProperty() {
        TFormProperty property;
        property.Where = lex_.Current().where;
        property.Name = ExpectSymbol("a property name, 'object' or 'end'").text;
        while (AtChar('.')) {
            lex_.Take();
            property.Name += "." + ExpectSymbol("a property name after '.'").text;
        }
        ExpectChar('=');
        property.Value = ReadValue(property.Name);
        return property;
    }

    TFormValue ReadValue(const std::string& propertyName) {
        TFormPosition where = lex_.Current().where;
        TFormValue value;
        switch (lex_.Current().kind) {
        case TokenKind::Integer: value = TFormValue::OfInteger(lex_.Take().integer); break;
        case TokenKind::String: {
            std::string text = lex_.Take().text;
            while (AtChar('+')) {
                lex_.Take();
                if (lex_.Current().kind != TokenKind::String) Expected("a string after '+'");
                text += lex_.Take().text;
            }
            value = TFormValue::OfString(std::move(text));
            break;
        }
        case TokenKind::Symbol: {
            std::string name = lex_.Take().text;
            if (SameText(name, "True")) value = TFormValue::OfBoolean(true);
            else if (SameText(name, "False")) value = TFormValue::OfBoolean(false);
            else value = TFormValue::OfIdent(std::move(name));
            break;
        }
        case TokenKind::End: Expected("the value of " + propertyName);
        default: lex_.Fail(where, "unsupported value " + Describe(lex_.Current()) + " for " + propertyName);
        }
        value.Where = where;
        return value;
    }
};

bool IsIdentifier(std::string_view text) {
    return !text.empty() && IsIdentStart(text.front()) &&
           std::all_of(text.begin() + 1, text.end(), [](char c) { return IsIdentChar(c); });
}

bool IsKeyword(std::string_view word) {
    return SameText(word, "object") || SameText(word, "end") || SameText(word, "inherited") || SameText(word, "inline");
}

// A name that the text reader would not read back as written is refused, so
// that a converted form never changes its meaning.
void CheckWritable(bool writable, std::string_view what, std::string_view text) {
    if (!writable)
        throw EWriteError(std::string(what) + " '" + std::string(text.substr(0, 64)) +
                          "' cannot be written in the text encoding");
}

bool IsPropertyPath(std::string_view name) {
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = name.find('.', start);
        if (!IsIdentifier(name.substr(start, dot - start))) return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

void AppendObject(std::string& out, const TFormObject& object, const std::string& indent) {
    CheckWritable(IsIdentifier(object.ClassName), "class name", object.ClassName);
    CheckWritable(object.Name.empty() || IsIdentifier(object.Name), "component name", object.Name);
    out += indent + "object ";
    if (!object.Name.empty()) out += object.Name + ": ";
    out += object.ClassName + "\n";
    for (const TFormProperty& property : object.Properties) {
        CheckWritable(IsPropertyPath(property.Name) && !IsKeyword(property.Name.substr(0, property.Name.find('.'))),
                      "property name", property.Name);
        if (property.Value.Type == TValueType::vaIdent)
            CheckWritable(IsIdentifier(property.Value.Text) && !SameText(property.Value.Text, "True") &&
                              !SameText(property.Value.Text, "False"),
                          "identifier", property.Value.Text);
        out += indent + "  " + property.Name + " = " + FormatTextValue(property.Value) + "\n";
    }
    for (const TFormObject& child : object.Children) AppendObject(out, child, indent + "  ");
    out += indent + "end\n";
}
} // namespace

std::string FormatTextValue(const TFormValue& Value) {
    if (Value.IsInteger()) return std::to_string(Value.Integer);
    switch (Value.Type) {
    case TValueType::vaIdent: return Value.Text;
    case TValueType::vaFalse: return "False";
    case TValueType::vaTrue: return "True";
    default: break;
    }
    if (Value.Text.empty()) return "''";
    std::string out;
    bool quoted = false;
    for (char c : Value.Text) {
        auto code = static_cast<unsigned char>(c);
        bool printable = code >= 32 && code < 127;
        if (printable != quoted) {
            out += '\'';
            quoted = printable;
        }
        if (!printable) out += "#" + std::to_string(code);
        else out += c == '\'' ? std::string("''") : std::string(1, c);
    }
    if (quoted) out += '\'';
    return out;
}

TFormObject ReadTextForm(std::span<const std::uint8_t> Form, std::string_view Source) {
    std::string_view text(reinterpret_cast<const char*>(Form.data()), Form.size());
    return TextReader(text, Source).ReadForm();
}

TBytes WriteTextForm(const TFormObject& Form) {
    std::string out;
    AppendObject(out, Form, "");
    return TBytes(out.begin(), out.end());
}

} // namespace vcl
