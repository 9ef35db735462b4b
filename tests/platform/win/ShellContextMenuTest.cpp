#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <thread>

#include "platform/os/Files.h"
#include "platform/win/ShellContextMenu.h"
#include "tests/platform/os/ShellFixture.h"

namespace parch {
namespace {

using test::CommandOutput;
using test::ScopedEnv;
using test::ScratchDir;
using test::ShellQuote;
namespace fs = std::filesystem;


struct IdList {
    LPITEMIDLIST p = nullptr;
    ~IdList() { ILFree(p); }
};

struct Menu {
    HMENU h = CreatePopupMenu();
    ~Menu() { DestroyMenu(h); }
};

std::string ItemText(HMENU menu, int position) {
    char text[64] = {};
    GetMenuString(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_SEPARATOR ? "-" : text;
}

std::vector<std::string> Items(HMENU menu) {
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) items.push_back(ItemText(menu, i));
    return items;
}

class ShellContextMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        folderPath_ = dir_.Path() + "items/";
        fs::create_directories(folderPath_);
        std::shared_ptr<IShellFolder> desktop;
        SHGetDesktopFolder(desktop);
        IdList id;
        ASSERT_EQ(desktop->ParseDisplayName(folderPath_, nullptr, &id.p, nullptr), S_OK);
        ASSERT_EQ(desktop->BindToObject(id.p, folder_), S_OK);
    }

    // The menu of one item of the test folder.
    std::shared_ptr<IContextMenu> MenuOf(const std::string& name) {
        IdList item;
        std::shared_ptr<IContextMenu> menu;
        EXPECT_EQ(folder_->ParseDisplayName(name, nullptr, &item.p, nullptr), S_OK) << name;
        LPCITEMIDLIST items[] = {item.p};
        EXPECT_EQ(CreateShellContextMenu(folder_, 1, items, menu), S_OK);
        return menu;
    }

    static HRESULT Invoke(IContextMenu& menu, const char* verb, const char* parameters = nullptr) {
        CMINVOKECOMMANDINFO info;
        info.lpVerb = verb;
        info.lpParameters = parameters;
        return menu.InvokeCommand(&info);
    }

    ScratchDir dir_;
    std::string folderPath_;
    std::shared_ptr<IShellFolder> folder_;
};

TEST_F(ShellContextMenuTest, ItemsInOrderWithTheirVerbs) {
    dir_.Write("items/doc.pdf", "%PDF-1.4\n");
    dir_.Write("items/other.txt", "x");
    auto menu = MenuOf("doc.pdf");
    ASSERT_TRUE(menu);
    EXPECT_TRUE(std::dynamic_pointer_cast<IContextMenu2>(menu));
    struct Case {
        UINT flags;
        UINT last;
        HRESULT answer;
        std::vector<std::string> items;
    } cases[] = {{CMF_EXPLORE | CMF_CANRENAME, 0x7FFF, 3, {"Existing", "Open", "-", "Rename", "Move to Trash"}},
                 {CMF_NORMAL, 0x7FFF, 3, {"Existing", "Open", "-", "Move to Trash"}},
                 {CMF_DEFAULTONLY, 0x7FFF, 1, {"Existing", "Open"}},
                 {CMF_CANRENAME, 1, 1, {"Existing", "Open"}},  // no room for more numbers
                 {CMF_NOVERBS, 0x7FFF, 0, {"Existing"}}};
    for (const Case& c : cases) {
        Menu popup;
        AppendMenu(popup.h, MF_STRING, 99, "Existing");
        EXPECT_EQ(menu->QueryContextMenu(popup.h, 1, 1, c.last, c.flags), c.answer) << c.flags;
        EXPECT_EQ(Items(popup.h), c.items) << c.flags;
        if (c.items.size() > 1) {
            EXPECT_EQ(GetMenuItemID(popup.h, 1), 1u);
            EXPECT_EQ(GetMenuDefaultItem(popup.h, 0, 0), 1u);
        }
        if (c.items.size() == 5) {
            EXPECT_EQ(GetMenuItemID(popup.h, 3), 2u);
            EXPECT_EQ(GetMenuItemID(popup.h, 4), 3u);
        }
    }
    char verb[16];
    const char* verbs[] = {"open", "rename", "delete"};
    for (UINT offset = 0; offset < 3; ++offset) {
        ASSERT_EQ(menu->GetCommandString(offset, GCS_VERBA, nullptr, verb, sizeof verb), S_OK);
        EXPECT_STREQ(verb, verbs[offset]);
        EXPECT_EQ(menu->GetCommandString(offset, GCS_VALIDATEA, nullptr, nullptr, 0), S_OK);
    }
    EXPECT_EQ(menu->GetCommandString(3, GCS_VALIDATEA, nullptr, nullptr, 0), S_FALSE);
    ASSERT_EQ(menu->GetCommandString(2, GCS_VERBA, nullptr, verb, 4), S_OK);
    EXPECT_STREQ(verb, "del");  // cut to the buffer

    // Two items cannot be renamed as one; Computer has no path to open or trash.
    IdList a, b;
    folder_->ParseDisplayName("doc.pdf", nullptr, &a.p, nullptr);
    folder_->ParseDisplayName("other.txt", nullptr, &b.p, nullptr);
    LPCITEMIDLIST both[] = {a.p, b.p};
    std::shared_ptr<IContextMenu> pair;
    ASSERT_EQ(CreateShellContextMenu(folder_, 2, both, pair), S_OK);
    Menu two;
    pair->QueryContextMenu(two.h, 0, 1, 0x7FFF, CMF_CANRENAME);
    EXPECT_TRUE(GetMenuState(two.h, 2, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(two.h, 3, MF_BYCOMMAND) & MF_GRAYED);

    std::shared_ptr<IShellFolder> desktop;
    SHGetDesktopFolder(desktop);
    IdList computer;
    ASSERT_EQ(SHGetSpecialFolderLocation(CSIDL_DRIVES, &computer.p), S_OK);
    LPCITEMIDLIST place[] = {computer.p};
    std::shared_ptr<IContextMenu> virtualMenu;
    ASSERT_EQ(CreateShellContextMenu(desktop, 1, place, virtualMenu), S_OK);
    Menu virtualPopup;
    virtualMenu->QueryContextMenu(virtualPopup.h, 0, 1, 0x7FFF, CMF_CANRENAME);
    for (UINT id : {1u, 2u, 3u}) EXPECT_TRUE(GetMenuState(virtualPopup.h, id, MF_BYCOMMAND) & MF_GRAYED) << id;
    EXPECT_EQ(Invoke(*virtualMenu, "open"), E_FAIL);
    EXPECT_EQ(Invoke(*virtualMenu, "delete"), E_FAIL);
    EXPECT_EQ(Invoke(*virtualMenu, "print"), E_INVALIDARG);
}

TEST_F(ShellContextMenuTest, OpenReachesTheOpenerWithAnAbsolutePath) {
    const std::string recorder = dir_.Path() + "record.sh";
    std::ofstream(recorder) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > " << dir_.Path() << "args.tmp\nmv " << dir_.Path()
                            << "args.tmp " << dir_.Path() << "args\n";
    chmod(recorder.c_str(), 0755);
    dir_.Write("items/-my doc.pdf", "%PDF-1.4\n");
    ScopedEnv hook("PARCH_SHELL_OPEN", &recorder);
    const std::string saved = CurrentFolder();
    ASSERT_EQ(chdir("/"), 0);
    auto menu = MenuOf("-my doc.pdf");
    const HRESULT opened = Invoke(*menu, nullptr);  // offset 0, as the menu's first command
    ASSERT_EQ(chdir(saved.c_str()), 0);
    ASSERT_EQ(opened, S_OK);
    std::optional<std::string> args;
    for (int i = 0; i < 600 && !args; ++i) {  // a process start: awaited generously
        args = ReadFileBytes(dir_.Path() + "args", 1 << 16);
        if (!args) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, folderPath_ + "-my doc.pdf\n");
}

TEST_F(ShellContextMenuTest, RenameGoesThroughTheFolderAndReplacesNothing) {
    dir_.Write("items/old.txt", "old");
    dir_.Write("items/taken.txt", "keep me");
    auto menu = MenuOf("old.txt");
    EXPECT_EQ(Invoke(*menu, "rename"), E_INVALIDARG);  // no new name
    EXPECT_EQ(Invoke(*menu, "rename", "taken.txt"), HRESULT_ALREADY_EXISTS);
    EXPECT_EQ(ReadFileBytes(folderPath_ + "taken.txt", 100).value_or(""), "keep me");
    EXPECT_EQ(Invoke(*menu, "Rename", "new.txt"), S_OK);
    EXPECT_FALSE(fs::exists(folderPath_ + "old.txt"));
    EXPECT_EQ(ReadFileBytes(folderPath_ + "new.txt", 100).value_or(""), "old");
}

// A .trashinfo file: its keys, with Path decoded by Python's URL unquoting.
struct TrashInfo {
    std::string header, path, date;
};

TrashInfo ReadTrashInfo(const std::string& file) {
    TrashInfo info;
    std::ifstream in(file);
    std::getline(in, info.header);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("Path=", 0) == 0) info.path = line.substr(5);
        if (line.rfind("DeletionDate=", 0) == 0) info.date = line.substr(13);
    }
    std::string decoded = CommandOutput("/usr/bin/python3 -c 'import sys, urllib.parse; "
                                        "sys.stdout.write(urllib.parse.unquote(sys.argv[1], errors=\"strict\"))' " +
                                        ShellQuote(info.path));
    if (info.path.find_first_of(" #?\xC3") != std::string::npos) info.path = "not escaped: " + info.path;
    else info.path = decoded;
    return info;
}

TEST_F(ShellContextMenuTest, MoveToTrashWritesTheFreedesktopTrash) {
    const std::string data = dir_.Path() + "data/share";  // missing levels are made
    ScopedEnv dataHome("XDG_DATA_HOME", &data);
    const std::string trash = data + "/Trash/";
    const std::string name = "Ü doc #1?%.pdf";
    dir_.Write("items/" + name, "first");
    fs::create_directories(dir_.Path() + "second");
    dir_.Write("second/" + name, "second");
    fs::create_directories(folderPath_ + "sub/inner");

    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(Invoke(*MenuOf(name), "delete"), S_OK);
    std::string error;
    ASSERT_TRUE(MoveToTrash(dir_.Path() + "second/" + name, error)) << error;
    ASSERT_EQ(Invoke(*MenuOf("sub"), MAKEINTRESOURCE(2)), S_OK);
    const std::time_t after = std::time(nullptr);

    EXPECT_FALSE(fs::exists(folderPath_ + name));
    EXPECT_FALSE(fs::exists(folderPath_ + "sub"));
    struct stat status{};
    ASSERT_EQ(stat(trash.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    struct Case {
        std::string original;
        std::string content;  // empty for the folder
    } cases[] = {{folderPath_ + name, "first"}, {dir_.Path() + "second/" + name, "second"}, {folderPath_ + "sub", ""}};
    std::set<std::string> trashedNames;
    for (const auto& entry : fs::directory_iterator(trash + "info")) {
        const std::string file = entry.path().filename().string();
        ASSERT_EQ(file.substr(file.size() - 10), ".trashinfo");
        const std::string trashed = file.substr(0, file.size() - 10);
        trashedNames.insert(trashed);
        TrashInfo info = ReadTrashInfo(entry.path().string());
        EXPECT_EQ(info.header, "[Trash Info]");
        const Case* matched = nullptr;
        for (const Case& c : cases)
            if (c.original == info.path) matched = &c;
        ASSERT_TRUE(matched) << info.path;
        if (matched->content.empty()) {
            EXPECT_TRUE(fs::is_directory(trash + "files/" + trashed + "/inner"));
        } else {
            EXPECT_EQ(ReadFileBytes(trash + "files/" + trashed, 100).value_or(""), matched->content);
        }
        // Local time, to the second, within the run.
        std::tm parsed{};
        ASSERT_TRUE(std::regex_match(info.date, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)"))) << info.date;
        strptime(info.date.c_str(), "%Y-%m-%dT%H:%M:%S", &parsed);
        parsed.tm_isdst = -1;
        const std::time_t when = std::mktime(&parsed);
        EXPECT_TRUE(when >= before && when <= after) << info.date;
    }
    EXPECT_EQ(trashedNames.size(), 3u);  // the second of the same name got a name of its own
    EXPECT_TRUE(trashedNames.count(name));
    EXPECT_TRUE(trashedNames.count("sub"));
    EXPECT_EQ(std::distance(fs::directory_iterator(trash + "files"), fs::directory_iterator()), 3);

    EXPECT_FALSE(MoveToTrash(folderPath_ + "no-such-file", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(MoveToTrash("relative.txt", error));
}

TEST_F(ShellContextMenuTest, TrashOnAnotherFileSystemIsRefusedAndNothingMoves) {
    const std::string other = "/dev/shm/parch-trash-" + std::to_string(getpid());
    struct stat shm{}, here{};
    if (stat("/dev/shm", &shm) != 0 || stat(dir_.Path().c_str(), &here) != 0 || shm.st_dev == here.st_dev)
        GTEST_SKIP() << "no second file system beside the scratch folder";
    ScopedEnv dataHome("XDG_DATA_HOME", &other);
    dir_.Write("items/keep.txt", "kept");
    std::string error;
    EXPECT_FALSE(MoveToTrash(folderPath_ + "keep.txt", error));
    EXPECT_NE(error.find("another file system"), std::string::npos) << error;
    EXPECT_EQ(Invoke(*MenuOf("keep.txt"), "delete"), static_cast<HRESULT>(0x80070011));
    EXPECT_EQ(ReadFileBytes(folderPath_ + "keep.txt", 100).value_or(""), "kept");
    EXPECT_TRUE(fs::is_empty(other + "/Trash/info"));
    fs::remove_all(other);
}

}  // namespace
}  // namespace parch
