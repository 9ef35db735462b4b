// The open and save dialogs, driven headless as a user would: keys typed into the file-name
// box, clicks on the list and the tool bar, against Windows' public documentation of
// GetOpenFileName (no peer implementation runs here). Each dialog works on a folder made by
// the test: files of several types, subfolders, hidden items, a non-ASCII name and names with
// "*" and "?".

#include <cstring>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/display/PngFile.h"
#include "platform/os/Files.h"
#include "platform/win/FileDialogModel.h"
#include "tests/platform/display/OnScreenCheck.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr const char* kUnicodeName = "\xC3\x9Cn\xC3\xAF" "c\xC3\xB8" "d\xC3\xA9 \xC3\xB1" "ame.pdf";  // "Ünïcødé ñame.pdf"

// The folder every test works in, removed afterwards.
class FileDialogFolder {
public:
    FileDialogFolder() {
        char pattern[] = "/tmp/filedlg-XXXXXX";
        root_ = mkdtemp(pattern);
        Write("alpha.pdf", 100);
        Write("Beta.PDF", 2000);
        Write("notes.txt", 5000);
        Write("list.lst", 10);
        Write(".hidden.pdf", 10);
        Write(kUnicodeName, 10);
        Write("star*name.pdf", 10);
        Write("what?.pdf", 10);
        fs::create_directory(root_ + "/.hiddendir");
        fs::create_directory(root_ + "/sub");
        fs::create_directory(root_ + "/zeta");
        Write("sub/inner.pdf", 10);
    }
    ~FileDialogFolder() {
        std::error_code ignored;
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root_, ignored);
    }
    FileDialogFolder(const FileDialogFolder&) = delete;
    FileDialogFolder& operator=(const FileDialogFolder&) = delete;

    const std::string& Root() const { return root_; }
    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    void Write(const std::string& name, std::size_t size) const { std::ofstream(Path(name)) << std::string(size, 'x'); }

private:
    std::string root_;
};

// The texts of the message boxes that came up, read when each is activated, and the keys that
// answer them: a key pressed before a box is up would go to the window that had the focus.
struct FileDialogBoxes {
    Lines seen;
    std::vector<UINT> answers;
    HWND answerer = nullptr;  // gets kAnswerBox once a box is up
};
FileDialogBoxes& Boxes() {
    static FileDialogBoxes boxes;
    return boxes;
}
Lines& SeenBoxes() { return Boxes().seen; }
constexpr UINT kAnswerBox = WM_APP + 10;

LRESULT RecordFileDialogBoxes(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE)
        if (HWND text = GetDlgItem(reinterpret_cast<HWND>(wp), 0xFFFF)) {
            SeenBoxes().push_back(win::WindowText(text));
            PostMessage(Boxes().answerer, kAnswerBox, 0, 0);
        }
    return CallNextHookEx(nullptr, code, wp, lp);
}

// The arguments of one call, with buffers of their own.
struct FileDialogCall {
    OPENFILENAME ofn;
    std::vector<char> file = std::vector<char>(4096, '\0');
    std::string filter;
    char title[64] = {};

    FileDialogCall(const std::string& folder, const Lines& filterPairs, DWORD flags) {
        for (const std::string& part : filterPairs) filter += part + '\0';
        filter += '\0';
        ofn.lpstrFilter = filterPairs.empty() ? nullptr : filter.c_str();
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = static_cast<DWORD>(file.size());
        ofn.lpstrFileTitle = title;
        ofn.nMaxFileTitle = sizeof title;
        ofn.Flags = flags | OFN_EXPLORER;
        initialDir = folder;
        ofn.lpstrInitialDir = initialDir.c_str();
    }
    std::string Result() const { return file.data(); }
    // The multi-select layout: strings up to the empty one.
    Lines Strings() const {
        Lines strings;
        for (const char* p = file.data(); *p; p += std::strlen(p) + 1) strings.emplace_back(p);
        return strings;
    }
    std::string initialDir;
};

class FileDialogsTest : public test::RecorderTest {
protected:
    static constexpr UINT kScript = WM_APP + 9;
    FileDialogFolder folder;
    HWND helper = nullptr;
    std::function<void(HWND)> script;
    HHOOK boxHook = nullptr;

    void SetUp() override {
        helper = rec.Create("helper", WS_POPUP);
        rec.SetHandler([this](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (h != helper) return std::nullopt;
            if (m == kScript && script) script(GetActiveWindow());
            if (m == kAnswerBox && !Boxes().answers.empty()) {
                display.PressKey(Boxes().answers.front());
                Boxes().answers.erase(Boxes().answers.begin());
            }
            return 0;
        });
        Boxes() = {};
        Boxes().answerer = helper;
        boxHook = SetWindowsHookEx(WH_CBT, &RecordFileDialogBoxes, nullptr, GetCurrentThreadId());
    }
    void TearDown() override {
        UnhookWindowsHookEx(boxHook);
        rec.SetHandler(nullptr);
        RecorderTest::TearDown();
    }

    // Shows the dialog; run acts in it once it is on screen.
    BOOL Run(FileDialogCall& call, bool save, std::function<void(HWND)> run) {
        script = std::move(run);
        PostMessage(helper, kScript, 0, 0);
        return save ? GetSaveFileName(&call.ofn) : GetOpenFileName(&call.ofn);
    }

    // Handles the input given so far as the dialog's own loop does.
    static void Settle(HWND dialog) {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!IsDialogMessage(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
    }

    // Types into the file-name box (focused at the start) and presses Enter; more keys may
    // follow for a message box that comes up.
    void TypeAndEnter(HWND dialog, const std::string& text, std::initializer_list<UINT> answers = {}) {
        HWND edit = GetDlgItem(dialog, edt1);
        SetFocus(edit);
        SetWindowText(edit, "");
        display.TypeText(text);
        display.PressKey(VK_RETURN);
        Boxes().answers.insert(Boxes().answers.end(), answers);
        Settle(dialog);
    }

    static Lines ListColumn(HWND dialog, int column) {
        HWND list = GetDlgItem(dialog, lst1);
        Lines texts;
        const auto count = static_cast<int>(SendMessage(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            char text[256] = {};
            LVITEM item;
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessage(list, LVM_GETITEMTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            texts.emplace_back(text);
        }
        return texts;
    }
    static Lines ListNames(HWND dialog) { return ListColumn(dialog, 0); }
    static int Row(HWND dialog, const std::string& name) {
        Lines names = ListNames(dialog);
        auto at = std::find(names.begin(), names.end(), name);
        return at == names.end() ? -1 : static_cast<int>(at - names.begin());
    }

    static Lines LookInItems(HWND dialog) {
        HWND combo = GetDlgItem(dialog, cmb2);
        Lines texts;
        const auto count = SendMessage(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char text[256] = {};
            COMBOBOXEXITEM item;
            item.mask = CBEIF_TEXT;
            item.iItem = i;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessage(combo, CBEM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
            texts.emplace_back(text);
        }
        return texts;
    }

    static std::string LookIn(HWND dialog) {
        HWND combo = GetDlgItem(dialog, cmb2);
        char text[256] = {};
        COMBOBOXEXITEM item;
        item.mask = CBEIF_TEXT;
        item.iItem = SendMessage(combo, CB_GETCURSEL, 0, 0);
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessage(combo, CBEM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
        return text;
    }

    void ClickRow(HWND dialog, const std::string& name, bool control = false) {
        HWND list = GetDlgItem(dialog, lst1);
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessage(list, LVM_GETITEMRECT, static_cast<WPARAM>(Row(dialog, name)), reinterpret_cast<LPARAM>(&r));
        POINT p{r.left + 4, (r.top + r.bottom) / 2};
        ClientToScreen(list, &p);
        if (control) display.KeyDown(VK_CONTROL);
        display.Click(p.x, p.y);
        if (control) display.KeyUp(VK_CONTROL);
        Settle(dialog);
    }

    void ClickTool(HWND dialog, int command) {
        HWND bar = GetDlgItem(dialog, ctl1);
        RECT r{};
        const auto index = SendMessage(bar, TB_COMMANDTOINDEX, static_cast<WPARAM>(command), 0);
        SendMessage(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(bar, &p);
        display.Click(p.x, p.y);
        Settle(dialog);
    }

    static std::string EditText(HWND dialog) { return win::WindowText(GetDlgItem(dialog, edt1)); }
};

// ---- what the dialog decides without a window --------------------------------------------

TEST(FileDialogModel, FilterPairsAndPatterns) {
    const char filter[] = "PDF files (*.pdf)\0*.pdf\0Lists\0 *.lst ; *.txt;;\0All\0*.*\0\0";
    auto pairs = win::ParseFilterPairs(filter);
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0].description, "PDF files (*.pdf)");
    EXPECT_EQ(pairs[1].patterns, (Lines{"*.lst", "*.txt"}));
    // A description without patterns ends the list; so does the byte bound when the final NUL is missing.
    EXPECT_EQ(win::ParseFilterPairs("Only\0\0").size(), 0u);
    const char unended[] = {'A', '\0', '*', '.', 'a', '\0', 'B', '\0', '*'};
    EXPECT_EQ(win::ParseFilterPairs(unended, sizeof unended).size(), 1u);

    struct Case {
        const char* name;
        Lines patterns;
        bool matches;
    } cases[] = {
        {"REPORT.PDF", {"*.pdf"}, true},
        {"report.pdf", {"*.PDF"}, true},
        {"README", {"*.*"}, true},
        {"notes.txt", {"*.pdf", "*.txt"}, true},
        {"notes.txt.bak", {"*.txt"}, false},
        // Only ASCII letters fold: UTF-8 bytes of other letters are compared as they are.
        {"\xC3\x89t\xC3\xA9.pdf", {"\xC3\xA9*"}, false},
        {"\xC3\xA9t\xC3\xA9.pdf", {"\xC3\xA9*"}, true},
        {"a?b.pdf", {"a?b.pdf"}, true},
    };
    for (const Case& c : cases) EXPECT_EQ(win::MatchesAnyPattern(c.name, c.patterns), c.matches) << c.name;
}

TEST(FileDialogModel, TypedNamesSizesAndPaths) {
    EXPECT_EQ(win::SplitTypedNames("  report.pdf ", false), (Lines{"report.pdf"}));
    EXPECT_EQ(win::SplitTypedNames("\"my file.pdf\"", false), (Lines{"my file.pdf"}));
    EXPECT_EQ(win::SplitTypedNames("\"a b.pdf\" \"c.pdf\" d.pdf", true), (Lines{"a b.pdf", "c.pdf", "d.pdf"}));
    EXPECT_EQ(win::SplitTypedNames("a b.pdf", true), (Lines{"a b.pdf"}));
    EXPECT_EQ(win::SplitTypedNames("   ", true), Lines{});

    EXPECT_EQ(win::SizeText(0), "0 KB");
    EXPECT_EQ(win::SizeText(1), "1 KB");
    EXPECT_EQ(win::SizeText(1024), "1 KB");
    EXPECT_EQ(win::SizeText(1025), "2 KB");
    EXPECT_EQ(win::SizeText(1234567890), "1,205,633 KB");

    EXPECT_EQ(win::NormalPath("/a/./b/../c/"), "/a/c");
    EXPECT_EQ(win::NormalPath("/.."), "/");
    EXPECT_EQ(win::JoinPath("/a/b", "../x*y"), "/a/x*y");
    EXPECT_EQ(win::JoinPath("/a/b", "/etc"), "/etc");
    EXPECT_EQ(win::FolderChain("/home/ann"), (Lines{"/", "/home", "/home/ann"}));
    EXPECT_EQ(win::FolderChain("/"), Lines{"/"});
}

TEST(FileDialogModel, TypedNamesResolveAgainstTheFolder) {
    FileDialogFolder folder;
    using Kind = win::TypedNameAction::Kind;
    win::TypedNameRules open;
    open.fileMustExist = open.pathMustExist = true;
    win::TypedNameRules save;
    save.save = true;
    save.defaultExtension = "lst";
    struct Case {
        const char* typed;
        const win::TypedNameRules& rules;
        Kind kind;
        std::string where;  // folder, or folder/name when accepted
    } cases[] = {
        {"alpha.pdf", open, Kind::Accept, folder.Path("alpha.pdf")},
        {"sub", open, Kind::EnterFolder, folder.Path("sub")},
        {"sub/..", open, Kind::EnterFolder, folder.Root()},
        {"sub/*.PDF", open, Kind::ApplyPattern, folder.Path("sub")},
        {"*.txt", open, Kind::ApplyPattern, folder.Root()},
        {"star*name.pdf", open, Kind::Accept, folder.Path("star*name.pdf")},  // it exists: not a pattern
        {"missing.pdf", open, Kind::Refuse, ""},
        {"nowhere/a.pdf", open, Kind::Refuse, ""},
        {"report", save, Kind::Accept, folder.Path("report.lst")},
        {"notes.txt", save, Kind::Accept, folder.Path("notes.txt")},
        {"nowhere/", save, Kind::Refuse, ""},
    };
    for (const Case& c : cases) {
        win::TypedNameAction action = win::ResolveTypedNames(win::SplitTypedNames(c.typed, false), folder.Root(), c.rules);
        EXPECT_EQ(action.kind, c.kind) << c.typed;
        if (c.kind == Kind::Accept) {
            ASSERT_EQ(action.names.size(), 1u) << c.typed;
            EXPECT_EQ(action.folder + "/" + action.names[0], c.where) << c.typed;
        } else if (c.kind != Kind::Refuse) {
            EXPECT_EQ(action.folder, c.where) << c.typed;
        }
    }
    EXPECT_EQ(win::ResolveTypedNames({"missing.pdf"}, folder.Root(), open).message,
              "missing.pdf\nFile not found.\nCheck the file name and try again.");
}

// ---- the dialog ---------------------------------------------------------------------------

TEST_F(FileDialogsTest, TheListShowsFoldersFirstWithoutHiddenItemsAndWithTheirDetails) {
    // A known modification time, read back as the local time it is.
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = 14;
    local.tm_min = 7;
    local.tm_isdst = -1;
    const timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
    utimensat(AT_FDCWD, folder.Path("alpha.pdf").c_str(), times, 0);

    FileDialogCall call(folder.Root(), {}, 0);
    Lines names, sizes, types, dates;
    std::string lookIn;
    BOOL chosen = Run(call, false, [&](HWND dialog) {
        names = ListNames(dialog);
        sizes = ListColumn(dialog, 1);
        types = ListColumn(dialog, 2);
        dates = ListColumn(dialog, 3);
        lookIn = LookIn(dialog);
        display.PressKey(VK_ESCAPE);
    });
    EXPECT_FALSE(chosen);
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(names, (Lines{"sub", "zeta", "alpha.pdf", "Beta.PDF", "list.lst", "notes.txt", "star*name.pdf",
                            "what?.pdf", kUnicodeName}));
    EXPECT_EQ(lookIn, fs::path(folder.Root()).filename().string());
    EXPECT_EQ(sizes[0], "");
    EXPECT_EQ(types[0], "Folder");
    EXPECT_EQ(sizes[2], "1 KB");
    EXPECT_EQ(sizes[5], "5 KB");
    EXPECT_EQ(dates[2], "2024-03-05 14:07");
    SHFILEINFO pdf;
    SHGetFileInfo(folder.Path("alpha.pdf").c_str(), 0, &pdf, sizeof pdf, SHGFI_TYPENAME);
    EXPECT_EQ(types[2], pdf.szTypeName);
}

TEST_F(FileDialogsTest, TypingANameChoosesItWithItsOffsets) {
    const std::string before = CurrentFolder();
    FileDialogCall call(folder.Root(), {"PDF files", "*.pdf", "All", "*.*"}, OFN_FILEMUSTEXIST);
    call.ofn.nFilterIndex = 2;
    BOOL chosen = Run(call, false, [&](HWND dialog) { TypeAndEnter(dialog, "Beta.PDF"); });
    ASSERT_TRUE(chosen);
    const std::string path = folder.Path("Beta.PDF");
    EXPECT_EQ(call.Result(), path);
    EXPECT_EQ(call.ofn.nFileOffset, path.size() - 8);
    EXPECT_EQ(call.ofn.nFileExtension, path.size() - 3);
    EXPECT_STREQ(call.title, "Beta.PDF");
    EXPECT_EQ(call.ofn.nFilterIndex, 2u);
    EXPECT_EQ(CurrentFolder(), before);
}

TEST_F(FileDialogsTest, NamesWithStarsQuestionMarksAndOtherLettersAreChosenAsThemselves) {
    for (const std::string& name : Lines{"star*name.pdf", "what?.pdf", kUnicodeName}) {
        FileDialogCall typed(folder.Root(), {}, OFN_FILEMUSTEXIST);
        ASSERT_TRUE(Run(typed, false, [&](HWND dialog) { TypeAndEnter(dialog, name); })) << name;
        EXPECT_EQ(typed.Result(), folder.Path(name));
        FileDialogCall clicked(folder.Root(), {}, OFN_FILEMUSTEXIST);
        ASSERT_TRUE(Run(clicked, false, [&](HWND dialog) {
            ClickRow(dialog, name);
            EXPECT_EQ(EditText(dialog), name);
            display.PressKey(VK_RETURN);
        })) << name;
        EXPECT_EQ(clicked.Result(), folder.Path(name));
    }
}

TEST_F(FileDialogsTest, FoldersAreEnteredByNamePathOrListAndLeftByTheToolBar) {
    const std::string before = CurrentFolder();
    FileDialogCall call(folder.Root(), {}, OFN_FILEMUSTEXIST);
    BOOL chosen = Run(call, false, [&](HWND dialog) {
        TypeAndEnter(dialog, "sub");
        EXPECT_EQ(ListNames(dialog), Lines{"inner.pdf"});
        EXPECT_EQ(LookIn(dialog), "sub");
        EXPECT_EQ(EditText(dialog), "");
        ClickTool(dialog, kFileDialogUpCommand);
        EXPECT_EQ(ListNames(dialog).size(), 9u);
        // The folder left is the one selected; Enter in the list goes back into it.
        SetFocus(GetDlgItem(dialog, lst1));
        display.PressKey(VK_RETURN);
        Settle(dialog);
        EXPECT_EQ(LookIn(dialog), "sub");
        TypeAndEnter(dialog, folder.Path("zeta"));
        EXPECT_EQ(LookIn(dialog), "zeta");
        EXPECT_EQ(ListNames(dialog), Lines{});
        // "Look in" holds the places, then the folder chain; the arrow goes one up the chain.
        Lines items = LookInItems(dialog);
        ASSERT_GE(items.size(), 5u);
        EXPECT_EQ(items.front(), "Home");
        const std::string rootName = fs::path(folder.Root()).filename().string();
        EXPECT_EQ(Lines(items.end() - 4, items.end()), (Lines{"/", "tmp", rootName, "zeta"}));
        SetFocus(GetDlgItem(dialog, cmb2));
        display.PressKey(VK_UP);
        Settle(dialog);
        EXPECT_EQ(LookIn(dialog), rootName);
        EXPECT_EQ(ListNames(dialog).size(), 9u);
        TypeAndEnter(dialog, "zeta/../sub/inner.pdf");
    });
    ASSERT_TRUE(chosen);
    EXPECT_EQ(call.Result(), folder.Path("sub/inner.pdf"));
    EXPECT_EQ(CurrentFolder(), before);
}

TEST_F(FileDialogsTest, APatternOrTheTypeComboFiltersTheFiles) {
    FileDialogCall call(folder.Root(), {"PDF files (*.pdf)", "*.pdf", "Lists and texts", "*.lst;*.TXT", "All", "*.*"}, 0);
    BOOL chosen = Run(call, false, [&](HWND dialog) {
        EXPECT_EQ(ListNames(dialog), (Lines{"sub", "zeta", "alpha.pdf", "Beta.PDF", "star*name.pdf", "what?.pdf", kUnicodeName}));
        TypeAndEnter(dialog, "*.TXT");
        EXPECT_EQ(ListNames(dialog), (Lines{"sub", "zeta", "notes.txt"}));
        EXPECT_EQ(EditText(dialog), "*.TXT");
        // The arrow in the type combo picks the next type.
        SetFocus(GetDlgItem(dialog, cmb1));
        display.PressKey(VK_DOWN);
        Settle(dialog);
        EXPECT_EQ(ListNames(dialog), (Lines{"sub", "zeta", "list.lst", "notes.txt"}));
        display.PressKey(VK_ESCAPE);
    });
    EXPECT_FALSE(chosen);
}

TEST_F(FileDialogsTest, SeveralFilesComeBackInTheMultiSelectLayout) {
    FileDialogCall clicked(folder.Root(), {}, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    ASSERT_TRUE(Run(clicked, false, [&](HWND dialog) {
        ClickRow(dialog, "alpha.pdf");
        ClickRow(dialog, "star*name.pdf", true);
        EXPECT_EQ(EditText(dialog), "\"alpha.pdf\" \"star*name.pdf\"");
        display.PressKey(VK_RETURN);
    }));
    EXPECT_EQ(clicked.Strings(), (Lines{folder.Root(), "alpha.pdf", "star*name.pdf"}));
    EXPECT_EQ(clicked.ofn.nFileOffset, folder.Root().size() + 1);
    EXPECT_EQ(clicked.ofn.nFileExtension, 0u);

    // Names in two folders are refused, and the dialog stays open.
    FileDialogCall typed(folder.Root(), {}, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    bool stillOpen = false;
    EXPECT_FALSE(Run(typed, false, [&](HWND dialog) {
        TypeAndEnter(dialog, "\"notes.txt\" \"sub/inner.pdf\"", {VK_RETURN});
        stillOpen = IsWindowVisible(dialog) != 0;
        display.PressKey(VK_ESCAPE);
    }));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(SeenBoxes(), Lines{"The chosen files must all be in one folder."});
    // One name gives one path.
    FileDialogCall single(folder.Root(), {}, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    ASSERT_TRUE(Run(single, false, [&](HWND dialog) { TypeAndEnter(dialog, "\"list.lst\""); }));
    EXPECT_EQ(single.Strings(), Lines{folder.Path("list.lst")});
}

TEST_F(FileDialogsTest, FileMustExistRefusesAMissingFileAndKeepsTheDialogOpen) {
    FileDialogCall call(folder.Root(), {}, OFN_FILEMUSTEXIST);
    bool stillOpen = false;
    BOOL chosen = Run(call, false, [&](HWND dialog) {
        TypeAndEnter(dialog, "missing.pdf", {VK_RETURN});
        stillOpen = IsWindowVisible(dialog) != 0;
        display.PressKey(VK_ESCAPE);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(chosen);
    EXPECT_EQ(SeenBoxes(), Lines{"missing.pdf\nFile not found.\nCheck the file name and try again."});
}

TEST_F(FileDialogsTest, OverwritePromptAsksAndNoKeepsTheDialogOpen) {
    FileDialogCall call(folder.Root(), {"Lists", "*.lst"}, OFN_OVERWRITEPROMPT);
    call.ofn.lpstrDefExt = "lst";
    bool stillOpen = false;
    BOOL chosen = Run(call, true, [&](HWND dialog) {
        TypeAndEnter(dialog, "list", {'N'});
        stillOpen = IsWindowVisible(dialog) != 0;
        TypeAndEnter(dialog, "list", {'Y'});
    });
    EXPECT_TRUE(stillOpen);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(call.Result(), folder.Path("list.lst"));
    EXPECT_EQ(SeenBoxes(), (Lines{"list.lst already exists.\nDo you want to replace it?",
                                  "list.lst already exists.\nDo you want to replace it?"}));
    EXPECT_FALSE(call.ofn.Flags & OFN_EXTENSIONDIFFERENT);

    // A new name is taken without a question, with the default extension added.
    FileDialogCall fresh(folder.Root(), {"Lists", "*.lst"}, OFN_OVERWRITEPROMPT);
    fresh.ofn.lpstrDefExt = "lst";
    ASSERT_TRUE(Run(fresh, true, [&](HWND dialog) { TypeAndEnter(dialog, "new list"); }));
    EXPECT_EQ(fresh.Result(), folder.Path("new list.lst"));
    EXPECT_EQ(SeenBoxes().size(), 2u);
}

TEST_F(FileDialogsTest, ATooSmallBufferTellsTheSizeNeeded) {
    FileDialogCall call(folder.Root(), {}, 0);
    call.ofn.nMaxFile = 10;
    BOOL chosen = Run(call, false, [&](HWND dialog) { TypeAndEnter(dialog, "alpha.pdf"); });
    EXPECT_FALSE(chosen);
    EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
    const std::size_t needed = folder.Path("alpha.pdf").size() + 1;
    EXPECT_EQ(static_cast<unsigned char>(call.file[0]) | (static_cast<unsigned char>(call.file[1]) << 8), needed);
}

TEST_F(FileDialogsTest, UnusableArgumentsFailWithTheirErrors) {
    struct Case {
        DWORD size;
        DWORD flags;
        bool withFile;
        DWORD error;
    } cases[] = {
        {12, 0, true, CDERR_STRUCTSIZE},
        {sizeof(OPENFILENAME), OFN_ENABLEHOOK, true, CDERR_INITIALIZATION},
        {sizeof(OPENFILENAME), 0, false, CDERR_INITIALIZATION},
    };
    for (const Case& c : cases) {
        FileDialogCall call(folder.Root(), {}, c.flags);
        call.ofn.lStructSize = c.size;
        if (!c.withFile) call.ofn.lpstrFile = nullptr;
        EXPECT_FALSE(GetOpenFileName(&call.ofn));
        EXPECT_EQ(CommDlgExtendedError(), c.error);
    }
    EXPECT_FALSE(GetOpenFileName(nullptr));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);
}

TEST_F(FileDialogsTest, AMissingFolderIsToldAndTheDialogStaysUsable) {
    // A start folder that is gone gives way to the next one quietly.
    FileDialogCall call(folder.Path("gone"), {}, OFN_FILEMUSTEXIST);
    BOOL chosen = Run(call, false, [&](HWND dialog) {
        EXPECT_EQ(LookIn(dialog), fs::path(CurrentFolder()).parent_path().filename().string());
        TypeAndEnter(dialog, folder.Path("sub"));
        // The folder shown is removed; entering it again tells so and keeps it shown.
        fs::remove_all(folder.Path("sub"));
        TypeAndEnter(dialog, ".", {VK_RETURN});
        EXPECT_EQ(LookIn(dialog), "sub");
        TypeAndEnter(dialog, folder.Path("alpha.pdf"));
    });
    ASSERT_TRUE(chosen);
    EXPECT_EQ(call.Result(), folder.Path("alpha.pdf"));
    EXPECT_EQ(SeenBoxes(), Lines{folder.Path("sub") + "\nPath does not exist.\nCheck the path and try again."});
}

TEST_F(FileDialogsTest, AnUnreadableFolderIsToldAndNotEntered) {
    if (geteuid() == 0) GTEST_SKIP() << "the superuser reads every folder";
    fs::permissions(folder.Path("zeta"), fs::perms::none);
    FileDialogCall call(folder.Root(), {}, 0);
    Run(call, false, [&](HWND dialog) {
        TypeAndEnter(dialog, "zeta", {VK_RETURN});
        EXPECT_EQ(LookIn(dialog), fs::path(folder.Root()).filename().string());
        display.PressKey(VK_ESCAPE);
    });
    fs::permissions(folder.Path("zeta"), fs::perms::owner_all);
    EXPECT_EQ(SeenBoxes(), Lines{folder.Path("zeta") + " is not accessible.\n\nAccess is denied."});
}

TEST_F(FileDialogsTest, TheNewFolderButtonMakesAFolderThatCanBeNamed) {
    FileDialogCall call(folder.Root(), {}, 0);
    Run(call, false, [&](HWND dialog) {
        ClickTool(dialog, kFileDialogNewFolderCommand);
        EXPECT_TRUE(DirectoryExists(folder.Path("New folder")));
        display.TypeText("Made here");
        display.PressKey(VK_RETURN);
        Settle(dialog);
        EXPECT_NE(Row(dialog, "Made here"), -1);
        display.PressKey(VK_ESCAPE);
    });
    EXPECT_TRUE(DirectoryExists(folder.Path("Made here")));
    EXPECT_FALSE(PathExists(folder.Path("New folder")));
}

// The skinning hook finds a "#32770" dialog holding the system's control classes, a tool bar among them.
TEST_F(FileDialogsTest, TheDialogIsMadeOfTheSystemsControlsAndIsDrawnAsItIsOnScreen) {
    FileDialogCall call(folder.Root(), {"PDF files (*.pdf)", "*.pdf", "All files", "*.*"}, 0);
    call.ofn.nFilterIndex = 2;
    Lines classes;
    DWORD style = 0;
    Run(call, false, [&](HWND dialog) {
        char name[32];
        GetClassName(dialog, name, sizeof name);
        classes.emplace_back(name);
        style = static_cast<DWORD>(GetWindowLongPtr(dialog, GWL_STYLE));
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            GetClassName(child, name, sizeof name);
            classes.emplace_back(name);
        }
        ClickRow(dialog, "alpha.pdf");
        // Where the private X screen shows it.
        SetWindowPos(dialog, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Settle(dialog);
        HBITMAP picture = CaptureWindow(dialog);
        if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
            EXPECT_TRUE(SavePng(picture, (fs::path(keep) / "open-dialog.png").string()));
        }
        if (onscreen::Xvfb::Installed()) {
            EXPECT_EQ(onscreen::CompareWithScreen(dialog, picture, "open-dialog"), "");
        }
        DeleteObject(picture);
        display.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(classes, (Lines{"#32770", "Static", "ComboBoxEx32", "ToolbarWindow32", "SysListView32", "Static", "Edit",
                              "Static", "ComboBox", "Button", "Button", "ScrollBar"}));
    EXPECT_TRUE(style & WS_THICKFRAME);
}

}  // namespace
}  // namespace parch
