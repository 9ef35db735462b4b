#include <gtest/gtest.h>

#include <string>

#include "framework/Mask.h"

namespace parch {
namespace {

TEST(MaskTest, SectionsGiveSaveFlagAndBlank) {
    struct Case {
        const char* mask;
        int separator;
        bool save;
        char blank;
    };
    const Case cases[] = {
        {"000", -1, true, '_'},
        {"000;0;*", 3, false, '*'},
        {"000;1; ", 3, true, ' '},
        {"000;0", 3, false, '_'},
        {"a\\;b;0;#", 4, false, '#'},  // an escaped ';' is a literal
        {"!99;;", 3, true, '_'},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MaskGetFldSeparator(c.mask), c.separator) << c.mask;
        EXPECT_EQ(MaskGetMaskSave(c.mask), c.save) << c.mask;
        EXPECT_EQ(MaskGetMaskBlank(c.mask), c.blank) << c.mask;
    }
}

TEST(MaskTest, CharacterTypesAndDirectives) {
    const std::string mask = ">L<l\\A0:9_!#;0;_";
    struct Case {
        int offset;
        TMaskCharType type;
        TMaskDirectives directives;
    };
    const Case cases[] = {
        {0, mcDirective, mdReverseDir},
        {1, mcMask, mdReverseDir | mdUpperCase},
        {2, mcDirective, mdReverseDir | mdUpperCase},
        {3, mcMaskOpt, mdReverseDir | mdLowerCase},
        {4, mcDirective, mdReverseDir | mdLowerCase},
        {5, mcLiteral, mdReverseDir | mdLowerCase | mdLiteralChar},
        {6, mcMask, mdReverseDir | mdLowerCase},
        {7, mcIntlLiteral, mdReverseDir | mdLowerCase},
        {8, mcMaskOpt, mdReverseDir | mdLowerCase},
        {9, mcLiteral, mdReverseDir | mdLowerCase},
        {10, mcDirective, mdReverseDir | mdLowerCase},
        {11, mcMaskOpt, mdReverseDir | mdLowerCase},
        {12, mcFieldSeparator, mdReverseDir | mdLowerCase},
        {13, mcField, mdReverseDir | mdLowerCase},
        {40, mcNone, mdReverseDir | mdLowerCase},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MaskGetCharType(mask, c.offset), c.type) << c.offset;
        EXPECT_EQ(MaskGetCurrentDirectives(mask, c.offset), c.directives) << c.offset;
    }
}

TEST(MaskTest, OffsetsBetweenMaskAndText) {
    const std::string mask = ">LL\\-000<>aa;1;_";
    // Text places: L L - 0 0 0 a a
    EXPECT_EQ(MaskEditLength(mask), 8);
    struct Case {
        int maskOffset;
        int offset;
    };
    const Case cases[] = {{1, 0}, {2, 1}, {4, 2}, {5, 3}, {7, 5}, {10, 6}, {11, 7}};
    for (const Case& c : cases) {
        EXPECT_EQ(MaskOffsetToOffset(mask, c.maskOffset), c.offset) << c.maskOffset;
        EXPECT_EQ(OffsetToMaskOffset(mask, c.offset), c.maskOffset) << c.offset;
    }
    EXPECT_EQ(OffsetToMaskOffset(mask, 8), -1);
    EXPECT_TRUE(IsLiteralChar(mask, 2));
    EXPECT_FALSE(IsLiteralChar(mask, 3));
    EXPECT_FALSE(IsLiteralChar(mask, 99));
}

TEST(MaskTest, FormatPutsValueAroundTheLiterals) {
    struct Case {
        const char* mask;
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {"!\\(999\\)000-0000;0;_", "5551234567", "(555)123-4567"},
        {"!\\(999\\)000-0000;0;_", "1234567", "(___)123-4567"},  // '!' fills from the end
        {"\\(999\\)000-0000;0;_", "1234567", "(123)456-7___"},
        {"\\(999\\)000-0000;1;_", "(555)123-4567", "(555)123-4567"},  // the value holds the literals
        {"00/00/0000;1;*", "12/31/1999", "12/31/1999"},
        {"00:00;0;*", "9", "9*:**"},
        {">LLL<lll;0;_", "aBcDeF", "ABCdef"},
        {">L<>lll;0;_", "aBcD", "ABcD"},
        {"00_00;0;_", "1234", "12 34"},  // '_' is a space in the text
        {"000;0;_", "1 3", "1_3"},        // a space in the value is an empty place
        {"", "abc", ""},
        {"\\!00;0;_", "1", "!1_"},  // an escaped '!' is a literal, not the direction
    };
    for (const Case& c : cases) EXPECT_EQ(FormatMaskText(c.mask, c.value), c.expected) << c.mask << " " << c.value;
}

TEST(MaskTest, WhatMayBeTypedWhere) {
    const std::string mask = ">L<a\\-C09#;1;_";
    // Places: L(upper) a(lower) - C 0 9 #
    struct Case {
        int offset;
        char typed;
        bool allowed;
        char stored;
    };
    const Case cases[] = {
        {0, 'q', true, 'Q'}, {0, '5', false, '5'}, {1, 'Z', true, 'z'}, {1, '7', true, '7'},
        {1, '*', false, '*'}, {2, '-', false, '-'},  // the literal is not typed
        {3, '*', true, '*'}, {4, '3', true, '3'},  {4, 'x', false, 'x'}, {5, '8', true, '8'},
        {6, '+', true, '+'}, {6, '-', true, '-'}, {6, 'e', false, 'e'}, {7, '1', false, '1'},
    };
    for (const Case& c : cases) {
        char ch = c.typed;
        EXPECT_EQ(MaskCharAllowed(mask, c.offset, ch), c.allowed) << c.offset << " " << c.typed;
        EXPECT_EQ(ch, c.stored) << c.offset << " " << c.typed;
    }
}

TEST(MaskTest, RequiredPlacesAndTheTextOfAnEditText) {
    const std::string saving = "00-99;1;_";
    const std::string stripping = "00-99;0;*";
    struct Case {
        const std::string* mask;
        const char* editText;
        int missing;
        const char* text;
    };
    const Case cases[] = {
        {&saving, "12-__", -1, "12-  "},
        {&saving, "1_-34", 1, "1 -34"},
        {&saving, "__-__", 0, "  -  "},
        {&stripping, "12-3*", -1, "123 "},
        {&stripping, "*2-**", 0, " 2  "},
        {&stripping, "12", -1, "12"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MaskFirstMissing(*c.mask, c.editText), c.missing) << c.editText;
        EXPECT_EQ(MaskEditTextToText(*c.mask, c.editText), c.text) << c.editText;
    }
}

}  // namespace
}  // namespace parch
