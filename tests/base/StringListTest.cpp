#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/Streams.h"
#include "base/StringList.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const TStrings& list) {
    Lines out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
    return out;
}

TEST(StringLists, SortedAddingFollowsTheDuplicatesMode) {
    struct Case {
        TDuplicates mode;
        bool caseSensitive;
        Lines added;
        Lines expected;
    } cases[] = {
        {TDuplicates::dupIgnore, false, {"b", "a", "B", "c"}, {"a", "b", "c"}},
        // An accepted duplicate goes before the lines equal to it.
        {TDuplicates::dupAccept, false, {"b", "a", "B", "c"}, {"a", "B", "b", "c"}},
        {TDuplicates::dupIgnore, true, {"b", "a", "B", "c"}, {"B", "a", "b", "c"}},
        {TDuplicates::dupAccept, true, {"x", "x"}, {"x", "x"}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetCaseSensitive(c.caseSensitive);
        list.SetSorted(true);
        list.Duplicates = c.mode;
        for (const std::string& s : c.added) list.Add(s);
        EXPECT_EQ(LinesOf(list), c.expected);
    }
    TStringList refusing;
    refusing.SetSorted(true);
    refusing.Duplicates = TDuplicates::dupError;
    refusing.Add("one");
    EXPECT_THROW(refusing.Add("ONE"), EStringListError);
    EXPECT_EQ(refusing.Count(), 1);
}

TEST(StringLists, SortedListsSearchAndRefusePlacedEdits) {
    TStringList list;
    for (const char* s : {"pear", "Apple", "fig", "apple"}) list.Add(s);
    list.SetSorted(true);  // sorting is stable: "Apple" stays before "apple"
    EXPECT_EQ(LinesOf(list), (Lines{"Apple", "apple", "fig", "pear"}));
    int index = -1;
    EXPECT_TRUE(list.Find("FIG", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find("grape", index));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(list.IndexOf("PEAR"), 3);
    EXPECT_THROW(list.Insert(0, "x"), EStringListError);
    EXPECT_THROW(list.SetStrings(0, "x"), EStringListError);
    list.SetCaseSensitive(true);
    EXPECT_EQ(LinesOf(list), (Lines{"Apple", "apple", "fig", "pear"}));
    EXPECT_EQ(list.IndexOf("APPLE"), -1);

    // An ignored duplicate keeps the object of the line already there.
    TObject first, second;
    TStringList owners;
    owners.SetSorted(true);
    owners.AddObject("k", &first);
    EXPECT_EQ(owners.AddObject("K", &second), 0);
    EXPECT_EQ(owners.Objects(0), &first);

    TStringList custom;
    for (const char* s : {"ccc", "a", "bb"}) custom.Add(s);
    custom.CustomSort([](const TStringList& l, int a, int b) {
        return static_cast<int>(l.Strings(b).size()) - static_cast<int>(l.Strings(a).size());
    });
    EXPECT_EQ(LinesOf(custom), (Lines{"ccc", "bb", "a"}));
}

TEST(StringLists, NameValueLines) {
    TStringList list;
    list.SetText("Version=1.2\r\nplain line\r\nWebsite=http://x/?a=b\r\n=nameless\r\n");
    struct Case {
        const char* name;
        const char* value;
        int index;
    } cases[] = {
        {"Version", "1.2", 0}, {"VERSION", "1.2", 0}, {"Website", "http://x/?a=b", 2},
        {"", "nameless", 3},   {"plain line", "", -1}, {"Missing", "", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(list.Values(c.name), c.value) << c.name;
        EXPECT_EQ(list.IndexOfName(c.name), c.index) << c.name;
    }
    EXPECT_EQ(list.Names(1), "");
    EXPECT_EQ(list.Names(2), "Website");
    EXPECT_EQ(list.ValueFromIndex(2), "http://x/?a=b");

    list.SetValues("version", "2.0");  // replaces the line, in the spelling given
    list.SetValues("New", "n");
    list.SetValues("Website", "");
    EXPECT_EQ(LinesOf(list), (Lines{"version=2.0", "plain line", "=nameless", "New=n"}));
    list.NameValueSeparator = ':';
    list.Add("key:value");
    EXPECT_EQ(list.Values("key"), "value");
}

TEST(StringLists, TextSplitsAtEveryKindOfLineBreak) {
    struct Case {
        const char* text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\n\r\nb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"\r\n\r\n", {"", ""}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetText(c.text);
        EXPECT_EQ(LinesOf(list), c.lines) << c.text;
    }
    TStringList list;
    list.SetText("one\ntwo");
    EXPECT_EQ(list.Text(), "one\r\ntwo\r\n");
}

TEST(StringLists, FilesAreWrittenWithCrLfAndReadBack) {
    std::string path = ::testing::TempDir() + "/stringlist.lst";
    TStringList list;
    for (const char* s : {"/docs/a b.pdf", "", "/docs/ü.pdf"}) list.Add(s);
    list.SaveToFile(path);
    TFileStream raw(path, fmOpenRead);
    EXPECT_EQ(raw.ReadToEnd(), "/docs/a b.pdf\r\n\r\n/docs/ü.pdf\r\n");
    TStringList back;
    back.Add("stale");
    back.LoadFromFile(path);
    EXPECT_TRUE(back.Equals(list));
    std::remove(path.c_str());
    EXPECT_THROW(back.LoadFromFile(path), EFOpenError);
    EXPECT_TRUE(back.Equals(list));  // a failed load loses nothing
}

TEST(StringLists, ObjectsTravelWithTheirLines) {
    TObject a, b, c;
    TStringList list;
    list.AddObject("a", &a);
    list.AddObject("b", &b);
    list.InsertObject(0, "c", &c);
    list.Exchange(0, 2);  // b a c
    list.Move(0, 1);      // a b c
    EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));
    EXPECT_EQ(list.Objects(0), &a);
    EXPECT_EQ(list.Objects(1), &b);
    EXPECT_EQ(list.IndexOfObject(&c), 2);
    list.SetStrings(2, "C");
    EXPECT_EQ(list.Objects(2), &c);
    EXPECT_THROW(list.Strings(3), EStringListError);
    EXPECT_THROW(list.Delete(-1), EStringListError);

    TStringList copy;
    copy.Assign(&list);
    EXPECT_EQ(LinesOf(copy), LinesOf(list));
    EXPECT_EQ(copy.Objects(2), &c);

    struct TCounted : TObject {
        explicit TCounted(int* alive) : alive(alive) { ++*alive; }
        ~TCounted() override { --*alive; }
        int* alive;
    };
    int alive = 0;
    {
        TStringList owning;
        owning.OwnsObjects = true;
        owning.AddObject("x", new TCounted(&alive));
        owning.AddObject("y", new TCounted(&alive));
        owning.Delete(0);
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST(StringLists, ChangeEventsAreHeldBackDuringAnUpdate) {
    TStringList list;
    std::vector<std::string> events;
    list.OnChanging = [&](TObject*) { events.push_back("changing"); };
    list.OnChange = [&](TObject*) { events.push_back("change"); };
    list.Add("a");
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change"}));
    events.clear();
    list.BeginUpdate();
    list.Add("b");
    list.BeginUpdate();
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"changing"}));
    list.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change"}));
    events.clear();
    list.SetText("x\ny");
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change"}));
}

}  // namespace
}  // namespace parch
