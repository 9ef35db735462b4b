#include "pdf/core/ScrivletCMap.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/Streams.h"
#include "pdf/core/ScrivletResource.h"

namespace parch {
namespace {

std::string Bytes(std::initializer_list<unsigned> values) {
    std::string s;
    for (unsigned v : values) s.push_back(static_cast<char>(v));
    return s;
}

void PutUInt32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Shift-JIS bytes decoded by the C library's CP932 converter; empty when it refuses them.
std::u16string DecodeCP932(const std::string& bytes) {
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return u"<no iconv>";
    char out[16];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outPtr = out;
    size_t outLeft = sizeof out;
    const size_t status = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (status == static_cast<size_t>(-1) || inLeft != 0) return {};
    std::u16string text((sizeof out - outLeft) / 2, u'\0');
    std::memcpy(text.data(), out, text.size() * 2);
    return text;
}

TEST(ScrivletCMap, BuiltInMapsGiveTheirKnownValues) {
    EXPECT_EQ(MapCIDToUnicode("Identity-H", "Adobe-Japan1-6", 34), u"A");
    EXPECT_EQ(MapCIDToUnicode("Identity-H", "Adobe-Japan1-6", 1), u" ");
    EXPECT_EQ(MapCIDToUnicode("90ms-RKSJ-H", "Adobe-Japan1-2", 0x8140), u"\u3000");
    EXPECT_EQ(MapCIDToUnicode("Identity-H", "Adobe-Japan1-6", 633), u"\u3000");
    EXPECT_EQ(MapCIDToUnicode("Identity-H", "Adobe-GB1-5", 100), u"");
    EXPECT_EQ(MapCIDToUnicode("Foo", "Adobe-Japan1-6", 1), u"");
    // Adobe-Identity orderings give the code itself, not the CID.
    EXPECT_EQ(MapCIDToUnicode("90ms-RKSJ-H", "Adobe-Identity-0", 0x8140), u"\u8140");
    // UniJIS-UCS2-H codes are Unicode values, not CIDs (CID 0x3042 is a kanji).
    EXPECT_EQ(MapCIDToUnicode("UniJIS-UCS2-H", "Adobe-Japan1-6", 0x3042), u"\u3042");
    EXPECT_NE(MapCIDToUnicode("Identity-H", "Adobe-Japan1-6", 0x3042), u"\u3042");
    // A CID written as two code units (a digit with a variation selector).
    EXPECT_EQ(MapCIDToUnicode("Identity-H", "Adobe-Japan1-6", 632), u"0\uFE00");

    auto rksj = LoadBuiltInCMap(kCMap90msRKSJH);
    ASSERT_EQ(rksj->Sections.size(), 2u);
    EXPECT_EQ(rksj->Sections[0]->CodeLength, 1u);
    EXPECT_EQ(rksj->Sections[0]->Codes.size(), 159u);
    EXPECT_EQ(rksj->Sections[1]->Codes.size(), 7724u);
    EXPECT_EQ(rksj->Sections[1]->Codes.front(), 0x8140u);
    EXPECT_EQ(rksj->Sections[1]->Codes.back(), 0xFC4Bu);
    EXPECT_EQ(rksj->LookupWord(0, 0x20), 231);  // half-width Latin
    EXPECT_EQ(rksj->LookupWord(2, 0x41), 0);    // 0x41 is a one-byte code
    EXPECT_EQ(rksj->LookupWord(0, 0x41), 264);
    EXPECT_EQ(LoadBuiltInCMap(kCMap90mspRKSJH)->LookupWord(0, 0x20), 1);  // proportional Latin
}

// Variation selectors that Adobe's table adds after some ideographs.
std::u16string WithoutVariationSelectors(const std::u16string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0xFE00 && text[i] <= 0xFE0F) continue;
        if (text[i] == 0xDB40 && i + 1 < text.size()) {  // U+E0100..U+E01EF
            ++i;
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

TEST(ScrivletCMap, ShiftJisAgreesWithIconvCP932) {
    // Where Microsoft's CP932 and Adobe's table pick different code points for one character.
    const std::map<char16_t, char16_t> adobeForMicrosoft = {
        {u'\uFF5E', u'\u301C'}, {u'\u2225', u'\u2016'}, {u'\uFF0D', u'\u2212'},
        {u'\uFFE0', u'\u00A2'}, {u'\uFFE1', u'\u00A3'}, {u'\uFFE2', u'\u00AC'},
        {u'\u2015', u'\u2014'}, {u'\uFFE4', u'\u00A6'}};
    // The half-width JIS-Roman characters and two IBM-extension kanji that Adobe maps apart.
    const std::map<std::uint32_t, char16_t> adobeOwn = {
        {0x20, u'\u2002'}, {0x5C, u'\u00A5'}, {0x7C, u'\uFFE8'}, {0xED8E, u'\u5BDB'},
        {0xEDB4, u'\u6602'}, {0xFAAA, u'\u5BDB'}, {0xFAD0, u'\u6602'}};
    auto rksj = LoadBuiltInCMap(kCMap90msRKSJH);
    int compared = 0, compatibilityIdeographs = 0;
    for (const auto& section : rksj->Sections) {
        for (std::uint32_t code : section->Codes) {
            std::string bytes = section->CodeLength == 1
                                    ? Bytes({code})
                                    : Bytes({code >> 8, code & 0xFF});
            std::u16string expected = DecodeCP932(bytes);
            std::u16string ours =
                WithoutVariationSelectors(MapCIDToUnicode("90ms-RKSJ-H", "Adobe-Japan1-6", code));
            if (expected.empty()) continue;  // beyond what CP932 defines
            ++compared;
            ASSERT_EQ(ours.size(), 1u) << std::hex << code;
            if (ours == expected) continue;
            if (expected[0] >= 0xF900 && expected[0] <= 0xFAFF) {
                ++compatibilityIdeographs;  // Adobe gives the unified ideograph
                continue;
            }
            auto known = adobeForMicrosoft.find(expected[0]);
            auto own = adobeOwn.find(code);
            const bool explained = (known != adobeForMicrosoft.end() && ours[0] == known->second) ||
                                   (own != adobeOwn.end() && ours[0] == own->second);
            EXPECT_TRUE(explained) << std::hex << "code " << code << " iconv U+" << int(expected[0])
                                   << " ours U+" << int(ours[0]);
        }
    }
    EXPECT_GT(compared, 7800);
    EXPECT_LT(compatibilityIdeographs, 120);
}

TEST(ScrivletCMap, SplitCharCodes) {
    TScrivletCodeList codes;
    ASSERT_TRUE(SplitCharCodes("Identity-V", "any", Bytes({0x30, 0x42, 0x41}), codes));
    EXPECT_EQ(codes, (TScrivletCodeList{0x3042}));
    ASSERT_TRUE(SplitCharCodes("90ms-RKSJ-H", "any", Bytes({0x41, 0x82, 0xA0}), codes));
    EXPECT_EQ(codes, (TScrivletCodeList{0x41, 0x82A0}));
    // A pair in neither section is skipped and the walk goes on pair by pair.
    ASSERT_TRUE(SplitCharCodes("90msp-RKSJ-H", "any", Bytes({0x85, 0x40, 0x82, 0xA0, 0x41}),
                               codes));
    EXPECT_EQ(codes, (TScrivletCodeList{0x82A0, 0x41}));
    // A lead byte cut off at the end is dropped.
    ASSERT_TRUE(SplitCharCodes("90ms-RKSJ-H", "any", Bytes({0x41, 0x82}), codes));
    EXPECT_EQ(codes, (TScrivletCodeList{0x41}));

    codes = {7};
    EXPECT_FALSE(SplitCharCodes("GBK-EUC-H", "Adobe-GB1-4", "ab", codes));
    EXPECT_EQ(codes, (TScrivletCodeList{7}));
}

TEST(ScrivletCMap, AddMappingKeepsCodesAscendingAndFirstMatchWins) {
    TScrivletCMap map;
    map.AddMapping(2, 0x30, {0x00, 0x41});
    map.AddMapping(2, 0x10, {0x00, 0x42});
    map.AddMapping(2, 0x30, {0x00, 0x43});  // after the equal code: the first stays in force
    map.AddMapping(1, 0x30, {0x44});
    map.AddMapping(2, 0x20, {0x00, 0x45, 0x00, 0x46});
    ASSERT_EQ(map.Sections.size(), 3u);
    EXPECT_EQ(map.Sections[0]->Codes, (std::vector<std::uint32_t>{0x10, 0x30, 0x30}));
    EXPECT_EQ(map.LookupText(2, 0x30), u"A");
    EXPECT_EQ(map.LookupText(2, 0x10), u"B");
    EXPECT_EQ(map.LookupText(1, 0x30), u"D");
    EXPECT_EQ(map.LookupText(2, 0x20), u"EF");
    EXPECT_EQ(map.LookupWord(2, 0x20), 0);  // four bytes are not a word
    EXPECT_EQ(map.LookupWord(0, 0x10), 0x42);
    EXPECT_TRUE(map.HasCode(1, 0x30));
    EXPECT_FALSE(map.HasCode(1, 0x10));
    EXPECT_EQ(map.LookupText(3, 0x30), u"");
    map.AddMapping(2, 0x50, {0x12, 0x34, 0x56});  // an odd last byte is a character of its own
    EXPECT_EQ(map.LookupText(2, 0x50), u"\u1234\u0056");
}

TEST(ScrivletCMap, CompiledFormLimitsAndDamage) {
    // Section 1 breaks the value-width limit and stays empty; what follows its header is read
    // as the next section.
    std::string data;
    PutUInt32(data, 2);
    for (std::uint32_t v : {2u, 65u, 1u}) PutUInt32(data, v);
    for (std::uint32_t v : {1u, 1u, 2u}) PutUInt32(data, v);
    data += Bytes({0x20, 0x01, 0x41, 0x42});
    TScrivletCMap map;
    map.LoadFromBytes(data);
    ASSERT_EQ(map.Sections.size(), 2u);
    EXPECT_TRUE(map.Sections[0]->Codes.empty());
    EXPECT_EQ(map.LookupText(1, 0x21), u"\u0042");

    map.LoadFromBytes(data.substr(0, data.size() - 1));  // cut short
    EXPECT_TRUE(map.Sections.empty());
    std::string wrapping;  // four-byte codes whose deltas run past 32 bits
    PutUInt32(wrapping, 1);
    for (std::uint32_t v : {4u, 1u, 2u, 0xFFFFFFF0u, 0x20u}) PutUInt32(wrapping, v);
    wrapping += "ab";
    map.LoadFromBytes(wrapping);
    EXPECT_TRUE(map.Sections.empty());
    map.LoadFromBytes(Bytes({0xFF, 0xFF, 0xFF, 0xFF}));  // four billion sections, no data
    EXPECT_TRUE(map.Sections.empty());
    map.LoadFromBytes("");
    EXPECT_TRUE(map.Sections.empty());
    EXPECT_EQ(map.LookupWord(0, 1), 0);

    TMemoryStream stream;
    stream.WriteString("xx" + data);
    stream.SetPosition(2);  // read from the stream's position
    map.LoadFromStream(stream);
    EXPECT_EQ(map.LookupText(1, 0x21), u"\u0042");

    EXPECT_THROW(LoadBuiltInCMap(12345), EResNotFound);
}

// The walk over Shift-JIS bytes with the map's own look-ups: a one-byte code if there is one,
// else byte pairs (a last lone byte on its own) until one is a two-byte code.
TScrivletCodeList SplitWithMap(const TScrivletCMap& map, const std::string& bytes) {
    const auto byteAt = [&bytes](std::size_t i) {
        return std::uint32_t{static_cast<std::uint8_t>(bytes[i])};
    };
    TScrivletCodeList codes;
    std::size_t next = 0;
    while (next < bytes.size()) {
        if (map.HasCode(1, byteAt(next))) {
            codes.push_back(byteAt(next++));
            continue;
        }
        for (bool matched = false; !matched && next < bytes.size(); next += 2) {
            const std::uint32_t pair =
                next + 1 < bytes.size() ? (byteAt(next) << 8) | byteAt(next + 1) : byteAt(next);
            matched = map.HasCode(2, pair);
            if (matched) codes.push_back(pair);
        }
    }
    return codes;
}

// The built-in look-ups answer from tables of their own; they must agree with the maps they
// were built from on every code and on random bytes.
TEST(ScrivletCMap, BuiltInLookupsAgreeWithTheirMaps) {
    const auto japan1 = LoadBuiltInCMap(kCMapAdobeJapan1ToUnicode);
    const struct {
        const char* Name;
        int Resource;
    } shiftJisMaps[] = {{"90ms-RKSJ-H", kCMap90msRKSJH}, {"90msp-RKSJ-H", kCMap90mspRKSJH}};
    const std::uint32_t beyond[] = {0x10000, 0x10041, 0xFFFFFFFF};
    for (const auto& entry : shiftJisMaps) {
        SCOPED_TRACE(entry.Name);
        const auto map = LoadBuiltInCMap(entry.Resource);
        int mismatches = 0;
        for (std::uint32_t code = 0; code <= 0x10000 && mismatches < 5; ++code) {
            const std::uint16_t cid = map->LookupWord(0, code);
            const std::u16string expected = japan1->LookupText(2, cid);
            if (MapCIDToUnicode(entry.Name, "Adobe-Japan1-6", code) != expected) {
                ADD_FAILURE() << "code " << code;
                ++mismatches;
            }
        }
        for (std::uint32_t code : beyond)
            EXPECT_EQ(MapCIDToUnicode(entry.Name, "Adobe-Japan1-6", code),
                      japan1->LookupText(2, map->LookupWord(0, code)));

        std::mt19937 random(5);
        for (int round = 0; round < 200; ++round) {
            std::string bytes(random() % 40, '\0');
            for (char& c : bytes)  // lead bytes of two-byte codes half the time
                c = static_cast<char>(random() % 2 ? 0x80 + random() % 0x80 : random());
            TScrivletCodeList codes{1, 2, 3};
            ASSERT_TRUE(SplitCharCodes(entry.Name, "any", bytes, codes));
            EXPECT_EQ(codes, SplitWithMap(*map, bytes));
        }
    }
    for (std::uint32_t cid : {0u, 632u, 15443u, 65535u, 65536u, 0x7FFFFFFFu})
        EXPECT_EQ(MapCIDToUnicode("Identity-H", "Adobe-Japan1-6", cid), japan1->LookupText(2, cid));
    int mismatches = 0;
    for (std::uint32_t cid = 0; cid <= 0xFFFF && mismatches < 5; ++cid)
        if (MapCIDToUnicode("Identity-H", "Adobe-Japan1-6", cid) != japan1->LookupText(2, cid)) {
            ADD_FAILURE() << "CID " << cid;
            ++mismatches;
        }
}

TEST(ScrivletCMap, BuiltInMapsLoadOnceFromManyThreads) {
    std::vector<std::u16string> results(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&results, i] {
            results[i] = MapCIDToUnicode("90msp-RKSJ-H", "Adobe-Japan1-6", 0x82A0);
        });
    for (std::thread& thread : threads) thread.join();
    for (const std::u16string& text : results) EXPECT_EQ(text, u"\u3042");  // hiragana a
}

}  // namespace
}  // namespace parch
