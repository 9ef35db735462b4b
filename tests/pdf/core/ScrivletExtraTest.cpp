#include "pdf/core/ScrivletExtra.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>


#include "base/Exceptions.h"
#include "tests/platform/os/ScratchDir.h"

namespace parch {
namespace {

std::vector<std::string> Strings(const TScrivletStringList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.GetCount(); ++i) out.push_back(list.Get(i));
    return out;
}

TEST(ScrivletStringListTest, SortedListKeepsOrderAndRefusesEqualStrings) {
    TScrivletStringList list;
    list.SetSorted(true);
    list.Add("b");
    list.Add("a");
    EXPECT_EQ(Strings(list), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(list.Add("A"), 0);
    EXPECT_EQ(list.GetCount(), 2);
    list.Add("c");
    list.Add("B");
    EXPECT_EQ(list.IndexOf("C"), 2);
    int index = -1;
    EXPECT_FALSE(list.Find("bb", index));
    EXPECT_EQ(index, 2);  // insertion point
}

TEST(ScrivletStringListTest, SortingAnUnsortedListUsesOrdinalOrder) {
    TScrivletStringList list;
    for (const char* s : {"zeta", "Alpha", "beta", "_x", "\xE4", "alpha2"}) list.Add(s);
    list.SetSorted(true);
    // ASCII folding only: "_" (0x5F) sorts after the upper-cased letters, 0xE4 after ASCII.
    EXPECT_EQ(Strings(list),
              (std::vector<std::string>{"Alpha", "alpha2", "beta", "zeta", "_x", "\xE4"}));
}

TEST(ScrivletStringListTest, CaseFoldingDependsOnTheClass) {
    TScrivletStringList folded;
    TScrivletCaseSensitiveStringList exact;
    for (TScrivletStringList* list : {static_cast<TScrivletStringList*>(&folded),
                                      static_cast<TScrivletStringList*>(&exact)}) {
        list->Add("key");
        list->Add("Size=12");
    }
    EXPECT_EQ(folded.IndexOf("KEY"), 0);
    EXPECT_EQ(exact.IndexOf("KEY"), -1);
    EXPECT_EQ(folded.GetValue("size"), "12");
    EXPECT_EQ(exact.GetValue("size"), "");
    EXPECT_EQ(exact.GetValue("Size"), "12");
    EXPECT_EQ(folded.IndexOfName("key"), -1);  // no "=" in that item
}

TEST(ScrivletStringListTest, CapacityGrowsInTheStatedSteps) {
    TScrivletStringList list;
    const std::pair<int, int> expected[] = {{1, 4}, {5, 8}, {9, 12}, {25, 28}, {81, 95}};
    int added = 0;
    for (auto [count, capacity] : expected) {
        while (added < count) list.Add(std::to_string(added++));
        EXPECT_EQ(list.GetCapacity(), capacity) << count;
    }
    list.Clear();
    EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(ScrivletStringListTest, ObjectsAndIndexRules) {
    TScrivletStringList list;
    int a = 0, b = 0;
    list.AddObject("a", &a);
    list.AddObject("b", &b);
    list.Insert(5, "ignored");
    list.Insert(2, "c");
    list.Delete(-1);
    list.Delete(9);
    list.Put(9, "x");
    list.PutObject(9, &a);
    EXPECT_EQ(Strings(list), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(list.GetObject(1), &b);
    EXPECT_EQ(list.GetObject(3), nullptr);
    EXPECT_THROW(list.Get(3), EListError);
    EXPECT_EQ(list.IndexOfObject(&b), 1);
    EXPECT_EQ(list.IndexOfObject(nullptr), 2);
    TScrivletStringList other;
    other.AddStrings(list);
    other.AddStrings(other);
    EXPECT_EQ(other.GetCount(), 6);
    EXPECT_EQ(other.GetObject(3), &a);
}

TEST(ScrivletStringListTest, TextSplitsAtLineBreaksAndNul) {
    struct Case { std::string text; std::vector<std::string> lines; };
    const Case cases[] = {
        {"", {""}},
        {"abc", {"abc"}},
        {"a\nb", {"a", "b"}},
        {"a\r\n", {"a"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\n\nb\r", {"a", "", "b"}},
        {std::string("a\0b", 3), {"a", "b"}},
        {std::string("\0\0", 2), {"", ""}},
    };
    for (const Case& c : cases) {
        TScrivletStringList list;
        list.SetText(c.text);
        EXPECT_EQ(Strings(list), c.lines);
    }
    TScrivletStringList list;
    list.SetText("x\ny");
    EXPECT_EQ(list.GetText(), "x\r\ny\r\n");
    TMemoryStream stream;
    list.SaveToStream(stream);
    EXPECT_EQ(stream.Bytes(), "x\r\ny\r\n");
}

TEST(SortedUniqueIntegerListTest, EachIntegerIsTakenOnce) {
    TSVLSortedUniqueIntegerList seen;
    EXPECT_TRUE(seen.Take(70000));
    EXPECT_FALSE(seen.Take(70000));
    EXPECT_TRUE(seen.Take(5));
    EXPECT_FALSE(seen.Take(5));
    EXPECT_TRUE(seen.Take(0));
    EXPECT_TRUE(seen.Take(65535));
    EXPECT_TRUE(seen.Take(65536));
    // Neighbours share a word of flags but not a flag.
    for (const std::int32_t n : {63, 64, 65, 127, 128}) EXPECT_TRUE(seen.Take(n)) << n;
    for (const std::int32_t n : {63, 64, 65, 127, 128, 65535}) EXPECT_FALSE(seen.Take(n)) << n;
    seen.Clear();
    EXPECT_TRUE(seen.Take(70000));
}

class ScrivletFileTest : public ::testing::Test {
protected:
    test::ScratchDir scratch_;
    const std::string& folder_ = scratch_.Path();
};

TEST_F(ScrivletFileTest, StreamCreatesReadsAndEndsAtTheRequestedSize) {
    const std::string path = folder_ + "f.bin";
    {
        TScrivletWideFileStream out(path, kScrivletCreateMode);
        out.WriteString("0123456789");
        out.SetPosition(3);
        out.SetSize(7);
        EXPECT_EQ(out.GetSize(), 7);
    }
    auto in = CreateWideFileStream(path, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(in->ReadToEnd(), "0123456");
    EXPECT_EQ(in->Write("x", 1), 0);  // opened for reading only
}

TEST_F(ScrivletFileTest, BadModesAndMissingFilesRaise) {
    const std::string path = folder_ + "f.bin";
    TScrivletWideFileStream(path, kScrivletCreateMode);
    for (std::uint16_t mode : {std::uint16_t{3}, std::uint16_t{0x50}, std::uint16_t{0xFF00}})
        EXPECT_THROW(TScrivletWideFileStream(path, mode), EFCreateError) << mode;
    try {
        TScrivletWideFileStream(folder_ + "missing", 0);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_STREQ(e.what(), "Error");
    }
    EXPECT_EQ(WideFileOpen(path, 3), -1);
    const int handle = WideFileOpen(path, 0x42);
    EXPECT_GE(handle, 0);
    ::close(handle);
}

TEST_F(ScrivletFileTest, ExistenceDoesNotDependOnTheFileDate) {
    const std::string path = folder_ + "old.pdf";
    TScrivletWideFileStream(path, kScrivletCreateMode);
    const timeval times[2] = {{0, 0}, {86400 * 365, 0}};  // 1971
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
    EXPECT_TRUE(WideFileExists(path));
    EXPECT_EQ(WideFileAge(path), -1);  // no DOS date before 1980
    EXPECT_FALSE(WideFileExists(folder_));
    EXPECT_EQ(WideFileAge(folder_), -1);

    const timeval recent[2] = {{1700000000, 0}, {1700000000, 0}};
    ASSERT_EQ(::utimes(path.c_str(), recent), 0);
    const std::int32_t age = WideFileAge(path);
    EXPECT_EQ((age >> 25) + 1980, 2023);
    EXPECT_EQ((age >> 21) & 15, 11);
    EXPECT_TRUE(WideDeleteFile(path));
    EXPECT_FALSE(WideFileExists(path));
    EXPECT_FALSE(WideDeleteFile(path));
}

TEST(ScrivletPathTest, FileNameAndFolderSplitAtTheLastSlash) {
    EXPECT_EQ(WideExtractFileName("/dir/file.pdf"), "file.pdf");
    EXPECT_EQ(WideExtractFilePath("/dir/file.pdf"), "/dir/");
}

TEST(ScrivletBytesTest, ByteStringHelpers) {
    EXPECT_EQ(PosA("cd", "abcdcd"), 3u);
    EXPECT_EQ(PosA("x", "abc"), 0u);
    EXPECT_EQ(CopyA("abcdef", 2, 3), "bcd");
    EXPECT_EQ(CopyA("abcdef", 5, 100), "ef");
    EXPECT_EQ(CopyA("abcdef", 9, 1), "");
    EXPECT_EQ(CopyA("abcdef", 0, 2), "ab");
    EXPECT_EQ(StrToIntDefA("$1F", 0), 31);
    EXPECT_EQ(StrToIntDefA("x", -1), -1);
    EXPECT_THROW(StrToIntA("12x"), EConvertError);
    EXPECT_EQ(IntToHexA(0xAB, 4), "00AB");
    EXPECT_EQ(StringReplaceA("aXbxc", "x", "-", rfReplaceAll), "aXb-c");
    EXPECT_EQ(StringReplaceA("aXbxc", "x", "-", rfReplaceAll | rfIgnoreCase), "a-b-c");
    EXPECT_EQ(StringReplaceA("aXbxc", "x", "-", rfIgnoreCase), "a-bxc");
    EXPECT_EQ(StringReplaceA("abc", "", "-", rfReplaceAll), "abc");
    EXPECT_LT(AnsiCompareStrA("B", "a"), 0);
    EXPECT_GT(AnsiCompareTextA("B", "a"), 0);
    EXPECT_EQ(AnsiCompareTextA("abc", "ABC"), 0);
    EXPECT_EQ(FormatDateTimeA("yyyy-mm-dd hh:nn:ss.zzz", 45000.5), "2023-03-15 12:00:00.000");
    EXPECT_EQ(FormatDateTimeA("d/m/yy h:mm 'at' dddd", 2.25), "1/1/00 6:00 at Monday");
}

// True when text has the shape given: '9' stands for a decimal digit, 'h' for a lower-case
// hexadecimal digit, '+' for either sign; anything else stands for itself.
bool HasShape(std::string_view text, std::string_view shape) {
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        switch (shape[i]) {
            case '9': if (!digit) return false; break;
            case 'h': if (!digit && !(c >= 'a' && c <= 'f')) return false; break;
            case '+': if (c != '+' && c != '-') return false; break;
            default: if (c != shape[i]) return false;
        }
    }
    return true;
}

TEST(ScrivletDateTest, PdfDateAndRandomIdentifiers) {
    const std::string date = CurrentPDFDate();
    EXPECT_TRUE(HasShape(date, "D:99999999999999Z") || HasShape(date, "D:99999999999999+99'99'"))
        << date;
    const std::string first = NewRandomId();
    EXPECT_TRUE(HasShape(first, "hhhhhhhh")) << first;
    EXPECT_NE(NewRandomId(), first);
}

TEST(ScrivletStreamTest, InsertIntoStreamMovesTheTailAndThePosition) {
    struct Case { std::int64_t position, before, after; };
    for (Case c : {Case{2, 4, 7}, Case{2, 1, 1}, Case{2, 2, 5}}) {
        TStringStream stream("abcdef");
        stream.SetPosition(c.before);
        InsertIntoStream(stream, "XYZ", c.position);
        EXPECT_EQ(stream.DataString(), "abXYZcdef");
        EXPECT_EQ(stream.GetPosition(), c.after);
    }
    // A tail longer than one 64 KB block.
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
    TStringStream stream(big);
    InsertIntoStream(stream, "12345", 7);
    EXPECT_EQ(stream.DataString(), big.substr(0, 7) + "12345" + big.substr(7));
    InsertIntoStream(stream, "", 0);
    EXPECT_EQ(stream.GetSize(), 200005);
}

}  // namespace
}  // namespace parch
