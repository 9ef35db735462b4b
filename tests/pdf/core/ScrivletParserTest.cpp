#include "pdf/core/ScrivletParser.h"

#include <gtest/gtest.h>

#include "pdf/core/ScrivletStructure.h"

namespace parch {
namespace {

struct Parsed {
    TPDFObject* object;
    std::int64_t end;
};

Parsed Parse(TPDFStructure& s, std::string_view text) {
    std::int64_t end = -1;
    TPDFObject* object = ParseObjectAt(s, text, end);
    return {object, end};
}

double NumberOf(TPDFObject* object) { return static_cast<TPDFNumeric*>(object)->Number; }

TEST(ScrivletParserTest, ScalarsAndTheirEnds) {
    struct Case { std::string text; std::string written; std::int64_t end; };
    const Case cases[] = {
        {"", "null", 0},             {"   ", "null", 2},          {"123", "123", 3},
        {"12345678", "12345678", 8}, {"123456789", "123456789", 9},
        {".5", "0.5", 2},            {"5.", "5", 2},             {"-.5", "-0.5", 3},
        {"-", "0", 1},               {"+5", "null", 0},          {"1.5 0 R", "1.5", 3},
        {"12 0 R", "12 0 R", 6},     {"12 0 obj", "12", 2},      {"1 0 RG", "1 0 R", 5},
        {"truex", "null", 0},        {"true", "true", 4},        {"true]", "true", 4},
        {"false ", "false", 5},      {"null", "null", 4},        {"% c\n 7", "7", 6},
        {"/A#20B", "/A#20B", 6},     {"/A#2", "/A#232", 4},      {"/a}b", "/a#7Db", 4},
        {"/", "null", 0},            {"/ ", "/", 1},             {"1 2", "1", 1},
        {"9999999999 0 R", "2147483647 0 R", 14},
        {"<</A 1>> 5", "<<\n/A 1\n>>\n", 8},  {"[1] 2", "[ 1 ]", 3},
        {" %x\r[ ]%y", "[ ]", 7},
        // number and reference edges: padding of a bare dot, lone signs, long and odd parts
        {".", "0", 1},               {"-.", "0", 2},             {"-0", "0", 2},
        {"-12345678", "-12345678", 9}, {"-123456789", "-123456789", 10},
        {"1 5. R", "1 5 R", 6},      {"1 2.5 R", "1 2 R", 7},    {"-7 0 R", "-7 0 R", 6},
        {"1 12345678901 R", "1 0 R", 15}, {"1 123456789 R", "1 123456789 R", 13},
        {"0.5.5", "0.5", 3},         {"12a", "12", 2},
        // first characters shared by several kinds of token
        {"t", "null", 0},            {"nul", "null", 0},         {"f", "null", 0},
        {"<", "null", 0},            {"<<", "<>", 2},            {"<<>", "<>", 3},
        {"/A#41#", "/AA#23", 6},     {"/#4g", "/#234g", 4},      {"/Ab(c)", "/Ab", 3},
    };
    for (const Case& c : cases) {
        TPDFStructure s;
        Parsed p = Parse(s, c.text);
        EXPECT_EQ(p.object->ToText(), c.written) << c.text;
        EXPECT_EQ(p.end, c.end) << c.text;
    }
}

TEST(ScrivletParserTest, NumbersAreExact) {
    TPDFStructure s;
    EXPECT_EQ(NumberOf(ParseObject(s, "12345678")), 12345678);
    EXPECT_EQ(NumberOf(ParseObject(s, "123456789")), 123456789);
    EXPECT_EQ(NumberOf(ParseObject(s, "-0.25")), -0.25);
    EXPECT_EQ(NumberOf(ParseObject(s, "3.1415926535")), 3.141592653);
}

TEST(ScrivletParserTest, Strings) {
    struct Case { std::string text; std::string bytes; int form; };
    const Case cases[] = {
        {"<48 65 6c 6C 6f>", "Hello", 1},  {"<4>", "\x40", 1},        {"<48", "\x40", 1},
        {"(a(b)c)", "a(b)c", 0},           {"(a\\)b)", "a)b", 0},    {"(\\101\\102)", "AB", 0},
        {"(\\q)", "\\q", 0},               {"(line\\\r\nnext)", "linenext", 0},
        {"(a\r\nb)", "a\nb", 0},           {"(\\1a)", "\x01" "a", 0}, {"(\\7)", "\x07", 0},
        {"(\\n\\r\\t\\b\\f\\\\)", "\n\r\t\b\f\\", 0},           {"(\\\nx)", "x", 0},
        {"(\\501)", "A", 0},               {"(a\rb)", "a\nb", 0},     {"<>", "", 1},
        {"<4G>", "\x40", 1},
    };
    for (const Case& c : cases) {
        TPDFStructure s;
        TPDFObject* object = ParseObject(s, c.text);
        ASSERT_EQ(object->Kind, kPDFKindString) << c.text;
        auto* string = static_cast<TPDFString*>(object);
        EXPECT_EQ(string->Bytes, c.bytes) << c.text;
        EXPECT_EQ(string->Form, c.form) << c.text;
    }
    TPDFStructure s;
    EXPECT_EQ(ParseObject(s, "(abc")->Kind, kPDFKindNull);
}

TEST(ScrivletParserTest, DamagedContainersKeepWhatWasRead) {
    struct Case { std::string text; std::string written; };
    const Case cases[] = {
        {"<< /A 1 /A 2 >>", "<< /A 2 >>\n"},
        {"<< /A 1 2 3 >>", "<< /A 1 >>\n"},
        {"[1 2 {3}]", "[ 1 2 ]"},
        {"[1 (abc", "[ 1 ]"},
        {"<< /A [1 2", "<< /A [ 1 2 ] >>\n"},
        {"<< /K (unbalanced >>", "<< >>\n"},
        {"[ /A /B", "[ /A /B ]"},
        {"<<>>", "<< >>\n"},
        {"[]", "[ ]"},
        {"<< /A >>", "<< >>\n"},
    };
    for (const Case& c : cases) {
        TPDFStructure s;
        s.MultiLineDictionaries = false;
        EXPECT_EQ(ParseObject(s, c.text)->ToText(), c.written) << c.text;
    }
}

TEST(ScrivletParserTest, ArrayOfReferencesReservesItsSlotsOnce) {
    TPDFStructure s;
    auto* array = static_cast<TPDFArray*>(ParseObject(s, "[1 0 R 2 0 R 3 0 R]"));
    EXPECT_EQ(array->GetCount(), 3);
    EXPECT_EQ(array->FreeSlots, 0);
    EXPECT_EQ(array->Elements.size(), 3u);
}

TEST(ScrivletParserTest, DeepNestingEndsInAShortenedContainer) {
    TPDFStructure s;
    const int depth = 100000;
    const std::string text = std::string(depth, '[') + "1" + std::string(depth, ']');
    TPDFObject* object = ParseObject(s, text);
    ASSERT_EQ(object->Kind, kPDFKindArray);
    int levels = 0;
    while (object && object->Kind == kPDFKindArray) {
        ++levels;
        object = static_cast<TPDFArray*>(object)->GetItem(0);
    }
    EXPECT_EQ(levels, kMaxParseDepth);

    const std::string dictionaries = [] {
        std::string t;
        for (int i = 0; i < 5000; ++i) t += "<< /K ";
        return t;
    }();
    EXPECT_EQ(ParseObject(s, dictionaries)->Kind, kPDFKindDictionary);
}

TEST(ScrivletParserTest, WriterAndParserRoundTripEveryKind) {
    TPDFStructure s;
    TPDFDictionary* d = s.NewDictionary();
    d->SetValue("Null", s.NewNull());
    d->SetValue("True", s.NewBoolean(true));
    d->SetValue("False", s.NewBoolean(false));
    d->SetValue("Int", s.NewNumeric(-42));
    d->SetValue("Real", s.NewNumeric(3.25));
    d->SetValue("Name", s.NewName(std::string("A B#/\x01\xFF", 7)));
    d->SetValue("Empty Name", s.NewName(""));
    d->SetValue("Literal", s.NewString(std::string("a(b\\c)\r\n\t\b\f\0\xFF", 14), 0));
    d->SetValue("Hex", s.NewString("a(b", 1));
    d->SetValue("Ref", s.NewIndRef(12, 3));
    TPDFArray* array = s.NewArray();
    for (int i = 0; i < 40; ++i) array->Add(s.NewNumeric(i * 1000.5));  // wraps lines
    array->Add(s.NewDictionary());
    d->SetValue("Array", array);
    TPDFDictionary* inner = s.NewDictionary();
    inner->SetValue("X", s.NewName("Y"));
    d->SetValue("Inner", inner);

    for (bool multiLine : {true, false}) {
        s.MultiLineDictionaries = multiLine;
        const std::string text = d->ToText();
        TPDFStructure other;
        other.MultiLineDictionaries = multiLine;
        TPDFObject* back = ParseObject(other, text);
        ASSERT_EQ(back->Kind, kPDFKindDictionary);
        EXPECT_EQ(back->ToText(), text);
        auto* dict = static_cast<TPDFDictionary*>(back);
        EXPECT_EQ(static_cast<TPDFName*>(dict->GetValue("Name"))->NameBytes,
                  std::string("A B#/\x01\xFF", 7));
        EXPECT_EQ(static_cast<TPDFString*>(dict->GetValue("Literal"))->Bytes,
                  std::string("a(b\\c)\r\n\t\b\f\0\xFF", 14));
        EXPECT_EQ(static_cast<TPDFArray*>(dict->GetValue("Array"))->GetCount(), 41);
        EXPECT_EQ(dict->GetCount(), 12);
    }
}

TEST(ScrivletParserTest, WriterForms) {
    TPDFStructure s;
    EXPECT_EQ(s.NewName("A B")->ToText(), "/A#20B");
    EXPECT_EQ(s.NewString("a(b", 0)->ToText(), "(a\\(b)");
    EXPECT_EQ(s.NewString("a(b", 1)->ToText(), "<612862>");
    EXPECT_EQ(s.NewString("a(b", 2)->ToText(), "");
    EXPECT_EQ(s.NewIntegerArray({0, 0, 612, 792})->ToText(), "[ 0 0 612 792 ]");
    TPDFDictionary* d = s.NewDictionary();
    EXPECT_EQ(d->ToText(), "<<\n>>\n");
    d->SetValue("A", s.NewNumeric(1));
    EXPECT_EQ(d->ToText(), "<<\n/A 1\n>>\n");
    d->SetValue("B", s.NewNumeric(2));
    EXPECT_EQ(d->ToText(), "<<\n/A 1\n/B 2\n>>\n");
    s.MultiLineDictionaries = false;
    EXPECT_EQ(d->ToText(), "<<\n/A 1\n/B 2\n>>\n");
    d->RemoveKey("B");
    EXPECT_EQ(d->ToText(), "<< /A 1 >>\n");
    s.DecimalPlaces = 2;
    EXPECT_EQ(s.NewNumeric(1.23456)->ToText(), "1.23");

    std::string line;
    TPDFArray* long_array = s.NewArray();
    for (int i = 0; i < 30; ++i) long_array->Add(s.NewName("Name" + std::to_string(i)));
    const std::string text = long_array->ToText();
    std::size_t start = 0;
    for (std::size_t pos = text.find('\n'); pos != std::string::npos; pos = text.find('\n', start)) {
        EXPECT_LE(pos - start, 90u);
        start = pos + 1;
    }
    EXPECT_NE(text.find('\n'), std::string::npos);
}

TEST(ScrivletParserTest, ContentStreamLiteralStrings) {
    struct Case { std::string text; std::string bytes; };
    const Case cases[] = {
        {"(\\q)", "q"},         {"(\\18)", "\x10"},     {"(\\8)", "8"},
        {"(\\101)", "A"},       {"(\\0053)", "\x05" "3"}, {"(a\rb)", "a\rb"},
        {"(a\\\r\nb)", "ab"},   {"(\\()", "("},         {"(\\777)", "\xFF"},
        {"(\\7)", "\x07"},      {"()", ""},             {"(", ""},
        {"(ab\\)", "ab"},       {"(\\12", "\x01"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeLiteralString(c.text), c.bytes) << c.text;
}

TEST(ScrivletParserTest, HexStringToBytes) {
    struct Case { std::string text; std::string bytes; };
    const Case cases[] = {
        {"<4G>", std::string(1, '\0')}, {"48>", ""},     {"<48656C6C6F>", "Hello"},
        {"<6 1 6>", "a`"},              {"<>", ""},      {"<", ""},
        {"<7>", "\x70"},                {"<zz41>", std::string("\0A", 2)},
    };
    for (const Case& c : cases) EXPECT_EQ(HexStringToBytes(c.text), c.bytes) << c.text;
    EXPECT_EQ(DecodeHexString("<41>"), "A");
}

}  // namespace
}  // namespace parch
