// The skinning library's general helpers: rectangles, words over character sets, text
// replacement, hexadecimal and INI values, paths and published properties by name.

#include <gtest/gtest.h>

#include <filesystem>

#include "bitmap32/PropertyTable.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "framework/graphics/Picture.h"
#include "skin/engine/acntUtils.h"
#include "skin/engine/sControlServices.h"
#include "tests/platform/os/ScratchDir.h"

namespace parch {
namespace {

TEST(GeneralHelpers, RectangleTests) {
    EXPECT_TRUE(RectOverlaps({0, 0, 10, 10}, {9, 9, 20, 20}));
    EXPECT_FALSE(RectOverlaps({0, 0, 10, 10}, {10, 0, 20, 10}));
    EXPECT_FALSE(RectOverlaps({0, 0, 10, 10}, {5, 5, 5, 8}));
    EXPECT_TRUE(RectContains({0, 0, 10, 10}, {0, 0, 10, 10}));
    EXPECT_FALSE(RectContains({0, 0, 10, 10}, {0, 0, 11, 10}));
    EXPECT_TRUE(IsBetween(5, 10, 0));
    EXPECT_FALSE(IsBetween(11, 10, 0));
    EXPECT_EQ(ScaleToPercentRange(50, 20), 60);
}

TEST(GeneralHelpers, WordsOverCharacterSets) {
    TacCharSet blankOrComma = MakeCharSet(" ,");
    std::string text = "  a,,b ";
    EXPECT_EQ(CountWords(text, blankOrComma), 2);
    EXPECT_EQ(NthWordStart(2, text, blankOrComma), 6);
    EXPECT_EQ(NthWordStart(3, text, blankOrComma), 0);
    EXPECT_EQ(ExtractNthWord(1, "one two", blankOrComma), "one");
    EXPECT_EQ(ExtractNthWord(3, text, blankOrComma), "");

    int pos = 1;
    EXPECT_EQ(TakeNextToken("ab,cd", pos, blankOrComma), "ab");
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(TakeNextToken("ab,cd", pos, blankOrComma), "cd");
    EXPECT_EQ(TakeNextToken("ab,cd", pos, blankOrComma), "");
}

TEST(GeneralHelpers, TextValues) {
    EXPECT_EQ(ReplaceAllText("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAllText("abab", "b", "bb"), "abbabb");
    EXPECT_EQ(RemoveChar("a-b-c", '-'), "abc");
    struct Case {
        const char* text;
        std::int64_t value;
    };
    for (Case c : {Case{"1fH", 31}, Case{"1G", 0}, Case{"", 0}, Case{"FFFFFFFF", 0xFFFFFFFFll}})
        EXPECT_EQ(HexStrToInt64(c.text), c.value) << c.text;
}

TEST(GeneralHelpers, IniValuesFromLines) {
    TacIniSections sections =
        ParseIniSections({"Loose=1", "[Button]", "; a comment", "", "Glow=0x1F", "Short=0x", "Name=Steel", "[Edit]"});
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(ReadIniInt(sections, "button", 7, "GLOW"), 31);
    EXPECT_EQ(ReadIniInt(sections, "Button", 7, "Short"), 7);
    EXPECT_EQ(ReadIniText(sections, "Button", "none", "Name"), "Steel");
    EXPECT_EQ(ReadIniText(sections, "Edit", "none", "Name"), "none");
    EXPECT_EQ(ReadIniText(sections, "Missing", "none", "Loose"), "none");
}

TEST(GeneralHelpers, PathDelimiters) {
    struct Case {
        const char* path;
        const char* expected;
    };
    for (Case c : {Case{"", ""}, Case{"c", "c:\\"}, Case{"skins/", "skins\\"}, Case{"skins\\", "skins\\"},
                   Case{"skins", "skins\\"}})
        EXPECT_EQ(AppendPathDelimiter(c.path), c.expected) << c.path;
}

TEST(GeneralHelpers, FileNamesAndSystemSettings) {
    test::ScratchDir folder;
    folder.Write("Report Final.txt", "x");
    EXPECT_EQ(GetLongFileName(folder.Path() + "Report Final.txt"), "Report Final.txt");
    EXPECT_EQ(GetShortFileName(folder.Path() + "Report Final.txt"), "Report Final.txt");
    EXPECT_EQ(GetLongFileName(folder.Path() + "missing.txt"), "");
    EXPECT_TRUE(FolderExists(folder.Path()));
    EXPECT_FALSE(FolderExists(folder.Path() + "missing"));
    EXPECT_FALSE(IsWow64());

    HeadlessDisplay display;
    bool before = GetMinimizeAnimation();
    SetMinimizeAnimation(!before);
    EXPECT_EQ(GetMinimizeAnimation(), !before);
    SetMinimizeAnimation(before);
    EXPECT_NE(GetCaptionFontHeight(), 0);
    HFONT caption = CreateCaptionFont();
    EXPECT_NE(caption, nullptr);
    DeleteObject(caption);
}

TEST(GeneralHelpers, PathNamesRebuiltFromWhatIsFound) {
    test::ScratchDir folder;
    std::filesystem::create_directory(folder.Path() + "Sub Dir");
    folder.Write("Sub Dir/Report.txt", "x");
    const std::string found = folder.Path() + "Sub Dir/Report.txt";
    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {found, found},
        // What cannot be found keeps its name: the path is never cut short.
        {folder.Path() + "Sub Dir/missing.txt", folder.Path() + "Sub Dir/missing.txt"},
        {folder.Path() + "Sub Dir/", folder.Path() + "Sub Dir/"},
        {folder.Path() + "Sub Dir/../Sub Dir/Report.txt", folder.Path() + "Sub Dir/../Sub Dir/Report.txt"},
        {"Report.txt", "Report.txt"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToLongPathName(c.path), c.expected) << c.path;
        EXPECT_EQ(ToShortPathName(c.path), c.expected) << c.path;
    }
}

TEST(GeneralHelpers, FileIconsAndTheCurrentFolder) {
    HeadlessDisplay display;
    test::ScratchDir folder;
    folder.Write("notes.txt", "x");
    EXPECT_EQ(GetFileIcon(folder.Path() + "missing.txt", 0), nullptr);
    std::unique_ptr<TIcon> icon = GetFileIcon(folder.Path() + "notes.txt", 0);
    ASSERT_NE(icon, nullptr);
    EXPECT_GT(icon->Width(), 0);

    const std::string before = std::filesystem::current_path().string();
    EXPECT_TRUE(SetCurrentFolder(folder.Path()));
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), folder.Path()));
    EXPECT_FALSE(SetCurrentFolder(folder.Path() + "missing"));
    EXPECT_FALSE(SetCurrentFolder(""));
    EXPECT_TRUE(SetCurrentFolder(before));
}

// The error message goes to the skinned controls' message box when they registered one.
TEST(GeneralHelpers, ErrorMessagesGoToTheSkinnedMessageBox) {
    struct Recorder : TsControlServices {
        TModalResult MessageBoxDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) override {
            texts.push_back(text);
            types.push_back(type);
            okOnly = okOnly && buttons == TMsgDlgButtons{mbOK};
            return mrOk;
        }
        std::vector<std::string> texts;
        std::vector<TMsgDlgType> types;
        bool okOnly = true;
    } recorder;
    TsControlServices* previous = SetControlServices(&recorder);
    ShowErrorMessage("Disk full");
    SetControlServices(previous);
    EXPECT_EQ(recorder.texts, (std::vector<std::string>{"Disk full"}));
    EXPECT_EQ(recorder.types, (std::vector<TMsgDlgType>{mtError}));
    EXPECT_TRUE(recorder.okOnly);
}

// A small published class: an integer, a Boolean, a set and a held object.
struct Published : TPersistent, IPublishedProperties {
    int Count = 3;
    bool Flag = false;
    std::string Styles = "[fsBold]";
    TPersistent Held;
    const TPropertyTable& PublishedProperties() const override {
        static const TPropertyTable table = {
            {"Count", TTypeKind::tkInteger, [](const TObject& o) { return std::to_string(static_cast<const Published&>(o).Count); },
             [](TObject& o, const std::string& t) { static_cast<Published&>(o).Count = std::stoi(t); }, {}},
            {"Flag", TTypeKind::tkEnumeration,
             [](const TObject& o) { return std::string(static_cast<const Published&>(o).Flag ? "True" : "False"); },
             [](TObject& o, const std::string& t) { static_cast<Published&>(o).Flag = t == "True"; }, {}},
            {"Styles", TTypeKind::tkSet, [](const TObject& o) { return static_cast<const Published&>(o).Styles; },
             [](TObject& o, const std::string& t) { static_cast<Published&>(o).Styles = t; }, {}},
            {"Held", TTypeKind::tkClass, {}, {},
             [](const TObject& o) -> TPersistent* { return &const_cast<Published&>(static_cast<const Published&>(o)).Held; }},
        };
        return table;
    }
};

TEST(GeneralHelpers, PublishedPropertiesByName) {
    Published object;
    EXPECT_TRUE(HasPublishedProperty(object, "count"));
    EXPECT_FALSE(HasPublishedProperty(object, "SkinData"));
    EXPECT_EQ(GetObjectPropertyByName(object, "Held"), &object.Held);
    EXPECT_EQ(GetObjectPropertyByName(object, "Missing"), nullptr);
    EXPECT_EQ(GetOrdPropertyByName(object, "Count"), 3);
    EXPECT_EQ(GetOrdPropertyByName(object, "Missing"), -1);
    SetOrdPropertyByName(object, "Flag", 1);
    EXPECT_TRUE(object.Flag);
    SetOrdPropertyByName(object, "Missing", 1);

    EXPECT_TRUE(SetPropertyHasElement(object, "Styles", "fsBold"));
    EXPECT_FALSE(SetPropertyHasElement(object, "Styles", "fsbold"));
    ChangeSetPropertyElement(object, "Styles", "fsItalic", true);
    EXPECT_EQ(object.Styles, "[fsBold,fsItalic]");
    ChangeSetPropertyElement(object, "Styles", "fsBold", false);
    EXPECT_EQ(object.Styles, "[fsItalic]");
}

}  // namespace
}  // namespace parch
