// Damaged and hostile forms: each is refused with a message that names the
// place, and leaves no component behind.
#include <gtest/gtest.h>

#include "form_test_util.h"
#include "probe.h"
#include "vcl/formbinary.h"
#include "vcl/streaming.h"

using namespace vcl;
using formtest::Bytes;
using probe::TProbe;

namespace {

class BadForms : public ::testing::Test {
protected:
    void SetUp() override { probe::RegisterProbes(); }
    void TearDown() override { EXPECT_EQ(TProbe::Alive(), 0) << "a refused form left a component alive"; }

    static std::string ReadError(const TBytes& form, std::string_view source = "f.dfm") {
        try {
            std::unique_ptr<TComponent> read = ReadComponent(form, source);
        } catch (const EReadError& e) {
            return e.what();
        }
        return "no error";
    }

    // TDataModule M with a TProbe P whose Count is 7: the probe starts at
    // byte 19, its property at 28, the value's tag at 34, the form ends at 39.
    static TBytes Valid() {
        TBytes form = Bytes("TPF0\x0BTDataModule\x01M");
        form.push_back(0);
        TBytes probe = Bytes("\x06TProbe\x01P\x05" "Count\x02\x07");
        form.insert(form.end(), probe.begin(), probe.end());
        form.insert(form.end(), {0, 0, 0});
        return form;
    }
    static TBytes With(std::size_t offset, std::uint8_t byte) {
        TBytes form = Valid();
        form[offset] = byte;
        return form;
    }
    static TBytes Cut(std::size_t size) {
        TBytes form = Valid();
        form.resize(size);
        return form;
    }
};

TEST_F(BadForms, TheValidFormReads) {
    ASSERT_EQ(Valid().size(), 39u);
    std::unique_ptr<TComponent> read = ReadComponent(Valid(), "f.dfm");
    EXPECT_EQ(static_cast<TProbe*>(read->Components(0))->Count(), 7u);
}

TEST_F(BadForms, WrongSignature) {
    try {
        ReadBinaryForm(With(0, 'X'), "f.dfm");
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "f.dfm: byte 0: not a binary form: the signature is not TPF0");
    }
    // Read as text, since it does not begin with the signature.
    EXPECT_EQ(ReadError(With(0, 'X')), "f.dfm: line 1, column 1: expected 'object', found 'XPF0'");
}

TEST_F(BadForms, TruncatedStream) {
    EXPECT_EQ(ReadError(Cut(35)), "f.dfm: byte 35: unexpected end of the form inside the value of Count");
    EXPECT_EQ(ReadError(Cut(36)),
              "f.dfm: byte 36: unexpected end of the form, expected a property name or the end of the property list");
    EXPECT_EQ(ReadError(Cut(38)),
              "f.dfm: byte 38: unexpected end of the form, expected a component or the end of the component list");
    EXPECT_EQ(ReadError(Cut(4)), "f.dfm: byte 4: unexpected end of the form, expected a class name");
}

TEST_F(BadForms, LengthPastTheEnd) {
    EXPECT_EQ(ReadError(With(4, 200)), "f.dfm: byte 4: a class name of 200 bytes runs past the end of the form at byte 39");
    EXPECT_EQ(ReadError(Cut(30)),
              "f.dfm: byte 28: a property name of 5 bytes runs past the end of the form at byte 30");
    TBytes longString = Cut(34);
    longString.insert(longString.end(), {12, 0xFF, 0xFF, 0xFF, 0x7F, 'x'});
    EXPECT_EQ(ReadError(longString),
              "f.dfm: byte 35: the value of Count of 2147483647 bytes runs past the end of the form at byte 40");
}

TEST_F(BadForms, UnknownClassOrProperty) {
    EXPECT_EQ(ReadError(With(25, 'X')), "f.dfm: byte 19: unknown class 'TProbX'");
    EXPECT_EQ(ReadError(With(33, 'd')), "f.dfm: byte 28: unknown property 'Cound' of TProbe");
    EXPECT_EQ(ReadError(Bytes("object M: TDataModule\n  object P: TProbe\n    Bogus = 1\n  end\nend\n"), "f.txt"),
              "f.txt: line 3, column 5: unknown property 'Bogus' of TProbe");
}

TEST_F(BadForms, ValueOfTheWrongType) {
    EXPECT_EQ(ReadError(With(34, 5)), "f.dfm: byte 34: unsupported value type vaExtended for Count");
    EXPECT_EQ(ReadError(With(34, 99)), "f.dfm: byte 34: unsupported value type tag 99 for Count");
    EXPECT_EQ(ReadError(With(34, 9)), "f.dfm: byte 35: a property name of 7 bytes runs past the end of the form at byte 39");
    TBytes trailing = Valid();
    trailing.push_back(0);
    EXPECT_EQ(ReadError(trailing), "f.dfm: byte 39: unexpected data after the end of the form");
    struct Case {
        const char* line;
        const char* message;
    };
    for (Case c : {
             Case{"Letter = 5", "line 2, column 12: property Letter of TProbe expects a single character, not the integer 5"},
             Case{"Letter = 'ab'", "line 2, column 12: property Letter of TProbe expects a single character, not a string of 2 characters"},
             Case{"Flag = 1", "line 2, column 10: property Flag of TProbe expects True or False, not the integer 1"},
             Case{"Kind = pkMany", "line 2, column 10: 'pkMany' is not a value of TProbeKind"},
             Case{"Kind = True", "line 2, column 10: property Kind of TProbe expects an identifier, not True"},
             Case{"Tries = 256", "line 2, column 11: value 256 does not fit property Tries (TTries, unsigned byte)"},
             Case{"Count = Zero", "line 2, column 11: property Count of TProbe expects an integer, not the identifier Zero"},
             Case{"Count = 1.5", "line 2, column 11: unsupported value a floating-point number for Count"},
             Case{"Count = [a]", "line 2, column 11: unsupported value '[' for Count"},
             Case{"Count = 99999999999999999999", "line 2, column 11: integer out of range"},
             Case{"Letter = #256", "line 2, column 12: character #256 is outside the 8-bit range"},
             Case{"Letter = 'C", "line 2, column 12: unterminated string"},
             Case{"Letter 'C'", "line 2, column 10: expected '=', found a string"},
         })
        EXPECT_EQ(ReadError(Bytes(std::string("object P: TProbe\n  ") + c.line + "\nend\n"), "p.txt"),
                  std::string("p.txt: ") + c.message);
    if constexpr (!std::is_signed_v<Cardinal>)
        EXPECT_EQ(ReadError(Bytes("object P: TProbe\n  Count = 4294967296\nend\n"), "p.txt"),
                  "p.txt: line 2, column 11: value 4294967296 does not fit property Count (Cardinal, unsigned 32-bit)");
    else
        EXPECT_EQ(ReadError(Bytes("object P: TProbe\n  Count = 2147483648\nend\n"), "p.txt"),
                  "p.txt: line 2, column 11: value 2147483648 does not fit property Count (Cardinal, signed 32-bit)");
}

TEST_F(BadForms, NestingWithoutEnd) {
    TBytes deep = Bytes("TPF0");
    for (int level = 0; level <= MaxFormDepth; ++level) {
        TBytes header = Bytes("\x06TProbe");
        header.insert(header.end(), {0, 0});
        deep.insert(deep.end(), header.begin(), header.end());
    }
    EXPECT_EQ(ReadError(deep), "f.dfm: byte " + std::to_string(4 + 9 * MaxFormDepth) +
                                   ": components nested deeper than 64 levels");
    std::string text;
    for (int level = 0; level <= MaxFormDepth; ++level) text += "object TProbe\n";
    EXPECT_EQ(ReadError(Bytes(text), "f.txt"),
              "f.txt: line " + std::to_string(MaxFormDepth + 1) + ", column 1: components nested deeper than 64 levels");
    EXPECT_EQ(ReadError(Bytes("object TProbe\n  object TProbe\n"), "f.txt"),
              "f.txt: line 3, column 1: expected a property name, 'object' or 'end', found the end of the form");
}

TEST_F(BadForms, StructureOfTheTextForm) {
    EXPECT_EQ(ReadError(Bytes("object M: TDataModule\nend\nend\n"), "f.txt"),
              "f.txt: line 3, column 1: unexpected 'end' after the end of the form");
    EXPECT_EQ(ReadError(Bytes("object M: TDataModule\n  object P: TProbe\n  end\n  Tries = 3\nend\n"), "f.txt"),
              "f.txt: line 4, column 3: expected 'object' or 'end', found 'Tries'");
    EXPECT_EQ(ReadError(Bytes("inherited M: TDataModule\nend\n"), "f.txt"),
              "f.txt: line 1, column 1: inherited and inline components are not supported");
    EXPECT_EQ(ReadError(With(4, 0xF1)), "f.dfm: byte 4: inherited and inline components are not supported");
}

TEST_F(BadForms, ComponentNamesAreCheckedAfterCreation) {
    EXPECT_EQ(ReadError(Bytes("object M: TDataModule\n  object P: TProbe\n  end\n  object p: TProbe\n  end\nend\n"), "f.txt"),
              "f.txt: line 4, column 3: A component named p already exists");
    EXPECT_EQ(ReadError(With(27, '-')), "f.dfm: byte 19: '-' is not a valid component name");
}

} // namespace
