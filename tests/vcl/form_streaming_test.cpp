#include <gtest/gtest.h>

#include "form_test_util.h"
#include "probe.h"
#include "vcl/datamodule.h"
#include "vcl/formbinary.h"
#include "vcl/formtext.h"
#include "vcl/streaming.h"

using namespace vcl;
using formtest::Bytes;
using formtest::Text;
using probe::TProbe;

namespace {

class FormStreaming : public ::testing::Test {
protected:
    void SetUp() override {
        probe::RegisterProbes();
        module.SetName("Module");
        TProbe::Calls().clear();
    }
    TProbe& AddProbe(const char* name) {
        auto* p = new TProbe(&module);
        p->SetName(name);
        return *p;
    }
    TDataModule module{nullptr};
};

TEST_F(FormStreaming, AComponentAsConstructedStoresNoProperties) {
    AddProbe("Plain");
    TFormObject form = ComponentToForm(module);
    ASSERT_EQ(form.Children.size(), 1u);
    EXPECT_TRUE(form.Children[0].Properties.empty());
    EXPECT_EQ(Text(WriteComponent(module, TFormEncoding::Text)),
              "object Module: TDataModule\n  object Plain: TProbe\n  end\nend\n");
}

TEST_F(FormStreaming, WritesOnlyChangedPropertiesInDeclarationOrder) {
    TProbe& p = AddProbe("P");
    p.Tries = 0;
    p.Kind = probe::pkAll;
    p.SetLetter('\0');
    p.Flag = false;
    EXPECT_EQ(Text(WriteComponent(module, TFormEncoding::Text)),
              "object Module: TDataModule\n"
              "  object P: TProbe\n"
              "    Letter = #0\n"
              "    Flag = False\n"
              "    Kind = pkAll\n"
              "    Tries = 0\n"
              "  end\n"
              "end\n");
}

TEST_F(FormStreaming, PropertiesWithoutDefaultAreAlwaysStored) {
    auto* wide = new probe::TWideProbe(&module);
    wide->SetName("W");
    ASSERT_EQ(ComponentToForm(module).Children[0].Properties.size(), 1u);
    EXPECT_EQ(ComponentToForm(module).Children[0].Properties[0].Name, "Extra");
}

TEST_F(FormStreaming, RoundTripThroughBothEncodingsKeepsEveryProperty) {
    TProbe& a = AddProbe("A");
    a.SetLetter('\'');
    a.SetCount(std::numeric_limits<Cardinal>::max());
    a.Flag = false;
    a.Kind = probe::pkSome;
    a.Tries = 25;
    TProbe& b = AddProbe("B");
    b.SetLetter('\xFF');
    b.SetCount(40000);

    TBytes binary = WriteComponent(module, TFormEncoding::Binary);
    TBytes text = WriteFormTree(ReadBinaryForm(binary, "m.dfm"), TFormEncoding::Text);
    TBytes again = WriteFormTree(ReadTextForm(text, "m.txt"), TFormEncoding::Binary);
    EXPECT_EQ(again, binary);

    std::unique_ptr<TComponent> copy = ReadComponent(again, "m.dfm");
    ASSERT_EQ(copy->ClassName(), "TDataModule");
    ASSERT_EQ(copy->ComponentCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const TComponent& original = *module.Components(i);
        const TComponent& read = *copy->Components(i);
        EXPECT_EQ(read.Name(), original.Name());
        EXPECT_EQ(read.Owner(), copy.get());
        for (const TPropInfo* prop : GetPropList(original.ClassInfo()))
            EXPECT_EQ(prop->Read.Get(read), prop->Read.Get(original)) << original.Name().View() << "." << prop->Name;
    }
}

TEST_F(FormStreaming, ReadingSetsPropertiesInTheFormsOrderThroughTheirSetters) {
    TBytes form = Bytes("object Module: TDataModule\n"
                        "  object P: TProbe\n"
                        "    Count = 7\n"
                        "    Letter = 'x'\n"
                        "  end\n"
                        "end\n");
    std::unique_ptr<TComponent> read = ReadComponent(form, "order.txt");
    EXPECT_EQ(TProbe::Calls(), (std::vector<std::string>{"P.SetCount(7)", "P.SetLetter(120)"}));
}

TEST_F(FormStreaming, IntegersTakeTheSmallestTagThatHoldsThem) {
    struct Case {
        std::int64_t value;
        TValueType tag;
    };
    for (Case c : {Case{127, TValueType::vaInt8}, {-128, TValueType::vaInt8}, {128, TValueType::vaInt16},
                   {-32769, TValueType::vaInt32}, {32767, TValueType::vaInt16}, {2147483647, TValueType::vaInt32},
                   {2147483648, TValueType::vaInt64}}) {
        TFormObject form{"TProbe", "P", {{"Count", TFormValue::OfInteger(c.value), {}}}, {}, {}};
        TBytes text = Bytes("object P: TProbe\n  Count = " + std::to_string(c.value) + "\nend\n");
        TFormObject parsed = ReadTextForm(text, "t");
        EXPECT_EQ(parsed.Properties[0].Value.Type, c.tag) << c.value;
        EXPECT_EQ(ReadBinaryForm(WriteBinaryForm(form), "b"), parsed) << c.value;
    }
}

TEST_F(FormStreaming, LargeCardinalsTravelAsNegative32BitIntegers) {
    if constexpr (std::is_signed_v<Cardinal>) {
        GTEST_SKIP() << "vcl30: Cardinal holds 0..2147483647 only, so no value above it can be stored";
    } else {
        TProbe& p = AddProbe("P");
        p.SetCount(3000000000u);
        TFormObject form = ComponentToForm(module);
        EXPECT_EQ(form.Children[0].Properties[0].Value.Type, TValueType::vaInt32);
        EXPECT_EQ(form.Children[0].Properties[0].Value.Integer, std::int64_t{3000000000} - (std::int64_t{1} << 32));
        // The 64-bit tag that some writers use reads back to the same value.
        TBytes wide = Bytes("object P: TProbe\n  Count = 3000000000\nend\n");
        std::unique_ptr<TComponent> read = ReadComponent(wide, "wide.txt");
        EXPECT_EQ(static_cast<TProbe&>(*read).Count(), 3000000000u);
    }
}

TEST(FormText, StringsAreQuotedAndControlCharactersWrittenAsCodes) {
    EXPECT_EQ(FormatTextValue(TFormValue::OfString("C")), "'C'");
    EXPECT_EQ(FormatTextValue(TFormValue::OfString(std::string(1, '\0'))), "#0");
    EXPECT_EQ(FormatTextValue(TFormValue::OfString("it's")), "'it''s'");
    EXPECT_EQ(FormatTextValue(TFormValue::OfString("a\r\nb\x80")), "'a'#13#10'b'#128");
    EXPECT_EQ(FormatTextValue(TFormValue::OfString("")), "''");
    for (std::string s : {std::string("it's"), std::string("a\r\nb\x80"), std::string(300, 'z')}) {
        TBytes text = Bytes("object P: TProbe\n  S = " + FormatTextValue(TFormValue::OfString(s)) + "\nend\n");
        EXPECT_EQ(ReadTextForm(text, "t").Properties[0].Value.Text, s);
    }
}

TEST(FormText, ReadsTheClassicSyntaxVariants) {
    TBytes text = Bytes("OBJECT TProbe\r\n"
                        "  Letter = #$41\r\n"
                        "  S = 'ab' +\r\n    'cd'#33\r\n"
                        "  Count = $FF\r\n"
                        "  Flag = true\r\n"
                        "END\r\n");
    TFormObject form = ReadTextForm(text, "t");
    EXPECT_EQ(form.Name, "");
    EXPECT_EQ(form.ClassName, "TProbe");
    EXPECT_EQ(form.Properties[0].Value.Text, "A");
    EXPECT_EQ(form.Properties[1].Value.Text, "abcd!");
    EXPECT_EQ(form.Properties[2].Value.Integer, 255);
    EXPECT_EQ(form.Properties[3].Value.Type, TValueType::vaTrue);
    EXPECT_EQ(form.Properties[1].Where.Line, 3u);
    EXPECT_EQ(form.Properties[1].Where.Column, 3u);
}

TEST(FormText, RefusesToWriteWhatWouldReadBackDifferently) {
    for (TFormObject bad : {TFormObject{"T Class", "", {}, {}, {}}, TFormObject{"TProbe", "9", {}, {}, {}},
                            TFormObject{"TProbe", "", {{"end", TFormValue::OfInteger(1), {}}}, {}, {}},
                            TFormObject{"TProbe", "", {{"K", TFormValue::OfIdent("True"), {}}}, {}, {}}})
        EXPECT_THROW(WriteTextForm(bad), EWriteError);
}

TEST(FormBinary, RefusesAClassNameThatWouldReadAsFilerFlags) {
    EXPECT_NO_THROW(WriteBinaryForm(TFormObject{std::string(239, 'T'), "", {}, {}, {}}));
    EXPECT_THROW(WriteBinaryForm(TFormObject{std::string(240, 'T'), "", {}, {}, {}}), EWriteError);
}

TEST(FormBinary, WritesTheLayoutOfTheClassicFormat) {
    TFormObject form{"TProbe", "P", {{"Flag", TFormValue::OfBoolean(false), {}}, {"Kind", TFormValue::OfIdent("pkAll"), {}}},
                     {}, {}};
    TBytes expected = Bytes("TPF0\x06TProbe\x01P\x04" "Flag\x08\x04Kind\x07\x05pkAll");
    expected.push_back(0); // end of properties
    expected.push_back(0); // end of children
    EXPECT_EQ(WriteBinaryForm(form), expected);
}

} // namespace
