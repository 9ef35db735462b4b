#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "ShellFixture.h"
#include "platform/os/FindFiles.h"
#include "platform/os/ShellNamespace.h"
#include "platform/os/UserDirs.h"

namespace parch {
namespace {

using test::CommandOutput;
using test::ScratchDir;
using test::ShellFixtureFolder;
using test::ShellQuote;

struct List {
    LPITEMIDLIST p = nullptr;
    ~List() { ILFree(p); }
};

std::vector<std::string> FindNames(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile(pattern, data);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (FindNextFile(search, data));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FindFilesTest, PatternsIgnoreAsciiCaseOfNamesOnly) {
    const std::string& fx = ShellFixtureFolder();
    struct Case {
        std::string pattern;
        std::vector<std::string> names;
    } cases[] = {
        {fx + "nested/*", {"deeper", "inner.pdf"}},
        {fx + "*.PDF", {"UPPER.PDF", "dangling.pdf", "doc.pdf", "fifo.pdf", "link-to-file.pdf", "star*name.pdf",
                        "Überraschung.pdf"}},
        {fx + "what?.txt", {"what?.txt"}},
        {fx + "NESTED/*", {}},  // the folder part is exact
        {fx + "doc.pdf", {"doc.pdf"}},
        {fx + "DOC.PDF", {}},  // no wildcard: exactly that item
        {fx + "star*name.pdf", {"star*name.pdf"}},
    };
    for (const auto& c : cases) EXPECT_EQ(FindNames(c.pattern), c.names) << c.pattern;
    WIN32_FIND_DATA data;
    DWORD error = 0;
    EXPECT_EQ(FindFirstFile(fx + "nothing-*", data, &error), INVALID_HANDLE_VALUE);
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFile(fx + "missing/*", data, &error), INVALID_HANDLE_VALUE);
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(ReadFindData(fx + "missing", data, &error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

TEST(FindFilesTest, AttributesAndTheWalkerSkipsTheFifo) {
    const std::string& fx = ShellFixtureFolder();
    struct Case {
        const char* name;
        DWORD set;
        DWORD clear;
    } cases[] = {{"doc.pdf", 0, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
                 {"nested", FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_SYSTEM},
                 {".hidden.txt", FILE_ATTRIBUTE_HIDDEN, 0},
                 {"readonly.txt", FILE_ATTRIBUTE_READONLY, 0},
                 {"fifo.pdf", FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_DIRECTORY},
                 {"link-to-folder", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0},
                 {"dangling.pdf", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_SYSTEM, 0}};
    for (const auto& c : cases) {
        WIN32_FIND_DATA data;
        ASSERT_TRUE(ReadFindData(fx + c.name, data)) << c.name;
        EXPECT_EQ(data.dwFileAttributes & c.set, c.set) << c.name;
        EXPECT_EQ(data.dwFileAttributes & c.clear, 0u) << c.name;
    }
    // What a folder scan for "*.pdf" takes: plain files only, the FIFO left out (and never opened).
    std::vector<std::string> taken;
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile(fx + "*.pdf", data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do
        if (IsPlainFile(data)) taken.push_back(data.cFileName);
    while (FindNextFile(search, data));
    FindClose(search);
    std::sort(taken.begin(), taken.end());
    EXPECT_EQ(taken, (std::vector<std::string>{"UPPER.PDF", "doc.pdf", "link-to-file.pdf", "star*name.pdf",
                                               "Überraschung.pdf"}));
}

TEST(FindFilesTest, OneItemIsReadExactlyNeverAsAPattern) {
    ScratchDir dir;
    dir.Write("a*b", "x");
    dir.Write("aXXb", "longer");
    WIN32_FIND_DATA data;
    ASSERT_TRUE(ReadFindData(dir.Path() + "a*b", data));
    EXPECT_EQ(data.cFileName, "a*b");
    EXPECT_EQ(data.nFileSizeLow, 1u);
    EXPECT_FALSE(ReadFindData(dir.Path() + "a?b", data));
    // A size past 4 GB keeps its high part (a sparse file costs no space).
    int fd = open((dir.Path() + "big").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, (5LL << 30) + 7), 0);
    close(fd);
    ASSERT_TRUE(ReadFindData(dir.Path() + "big", data));
    EXPECT_EQ(data.nFileSizeHigh, 1u);
    EXPECT_EQ(data.nFileSizeLow, (1u << 30) + 7);
}

TEST(ItemIdListTest, LayoutAndRoutines) {
    List a{ILFromItemBytes("one")}, b{ILFromItemBytes("two")};
    List both{ILCombine(a.p, b.p)};
    EXPECT_EQ(ILGetSize(both.p), 5u + 5u + 2u);
    EXPECT_EQ(ILGetCount(both.p), 2u);
    EXPECT_EQ(ILFirstItemBytes(ILFindLastID(both.p)), "two");
    List copy{ILClone(both.p)};
    EXPECT_TRUE(ILIsEqual(copy.p, both.p));
    ASSERT_TRUE(ILRemoveLastID(copy.p));
    EXPECT_TRUE(ILIsEqual(copy.p, a.p));
    List desktop;
    ASSERT_EQ(SHGetSpecialFolderLocation(CSIDL_DESKTOP, &desktop.p), S_OK);
    EXPECT_EQ(ILGetSize(desktop.p), 2u);
    List joined{ILCombine(desktop.p, b.p)};
    EXPECT_TRUE(ILIsEqual(joined.p, b.p));
    EXPECT_EQ(ILGetSize(nullptr), 0u);
}

class ShellHome : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = dir_.Path() + "home";
        std::filesystem::create_directories(home_ + "/.config");
        std::filesystem::create_directories(home_ + "/Schreibtisch");
        std::filesystem::create_directories(home_ + "/My Docs");
        saved_ = getenv("HOME") ? getenv("HOME") : "";
        setenv("HOME", home_.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        dir_.Write("home/.config/user-dirs.dirs",
                   "# written by a test\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                   "XDG_DOCUMENTS_DIR=\"$HOME/My Docs/\"\nXDG_MUSIC_DIR=\"relative/ignored\"\n"
                   "XDG_TEMPLATES_DIR=\"/nonexistent/templates\"\n");
    }
    void TearDown() override { setenv("HOME", saved_.c_str(), 1); }

    ScratchDir dir_;
    std::string home_;
    std::string saved_;
};

TEST_F(ShellHome, UserDirsEqualXdgUserDir) {
    // MUSIC's relative value is left out: the shell script takes it as it stands, while the
    // file's readers (and we) skip anything but "$HOME/..." and absolute paths.
    EXPECT_EQ(UserDirPath("MUSIC"), home_);
    for (const char* name : {"DESKTOP", "DOCUMENTS", "TEMPLATES", "PICTURES"}) {
        std::string expected = CommandOutput(std::string("xdg-user-dir ") + name);
        while (!expected.empty() && expected.back() == '\n') expected.pop_back();
        ASSERT_FALSE(expected.empty());
        std::string ours = UserDirPath(name);
        // xdg-user-dir prints a trailing "/" as written; ours drops it.
        while (expected.size() > 1 && expected.back() == '/') expected.pop_back();
        EXPECT_EQ(ours, expected) << name;
    }
}

TEST_F(ShellHome, SpecialFoldersAndTheDesktopsChildren) {
    std::string path;
    EXPECT_EQ(SHGetFolderPath(CSIDL_DESKTOPDIRECTORY, path), S_OK);
    EXPECT_EQ(path, home_ + "/Schreibtisch");
    EXPECT_EQ(SHGetFolderPath(CSIDL_PERSONAL, path), S_OK);
    EXPECT_EQ(path, home_ + "/My Docs");
    EXPECT_EQ(SHGetFolderPath(CSIDL_TEMPLATES, path), E_FAIL);  // named but missing
    List item;
    EXPECT_EQ(SHGetSpecialFolderLocation(0x12 /* network */, &item.p), E_INVALIDARG);
    EXPECT_EQ(SHGetSpecialFolderLocation(CSIDL_TEMPLATES, &item.p), E_FAIL);

    std::shared_ptr<IShellFolder> desktop;
    ASSERT_EQ(SHGetDesktopFolder(desktop), S_OK);
    std::shared_ptr<IEnumIDList> items;
    ASSERT_EQ(desktop->EnumObjects(SHCONTF_FOLDERS, items), S_OK);
    std::vector<std::string> names, paths;
    LPITEMIDLIST child;
    while (items->Next(1, &child, nullptr) == S_OK) {
        STRRET name;
        desktop->GetDisplayNameOf(child, SHGDN_NORMAL, &name);
        names.push_back(StrRetToString(name, child));
        desktop->GetDisplayNameOf(child, SHGDN_FORPARSING, &name);
        paths.push_back(name.pOleStr);
        ILFree(child);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Home", "Desktop", "Documents", "Computer"}));
    EXPECT_EQ(paths[0], home_);
    EXPECT_EQ(paths[2], home_ + "/My Docs");

    List documents;
    ASSERT_EQ(SHGetSpecialFolderLocation(CSIDL_PERSONAL, &documents.p), S_OK);
    ASSERT_TRUE(SHGetPathFromIDList(documents.p, path));
    EXPECT_EQ(path, home_ + "/My Docs");
    List computer;
    ASSERT_EQ(SHGetSpecialFolderLocation(CSIDL_DRIVES, &computer.p), S_OK);
    EXPECT_FALSE(SHGetPathFromIDList(computer.p, path));
    std::shared_ptr<IShellFolder> drives;
    ASSERT_EQ(desktop->BindToObject(computer.p, drives), S_OK);
    ASSERT_EQ(drives->EnumObjects(SHCONTF_FOLDERS, items), S_OK);
    ASSERT_EQ(items->Next(1, &child, nullptr), S_OK);
    STRRET root;
    drives->GetDisplayNameOf(child, SHGDN_NORMAL, &root);
    EXPECT_EQ(root.pOleStr, "/");
    ILFree(child);
}

TEST(ShellNamespaceTest, ParseEnumerateAttributesDetails) {
    const std::string fx = ShellFixtureFolder();
    std::shared_ptr<IShellFolder> desktop;
    SHGetDesktopFolder(desktop);
    List folderId;
    ULONG eaten = 0;
    ASSERT_EQ(desktop->ParseDisplayName(fx, &eaten, &folderId.p, nullptr), S_OK);
    EXPECT_EQ(eaten, fx.size());
    std::string path;
    ASSERT_TRUE(SHGetPathFromIDList(folderId.p, path));
    EXPECT_EQ(path + "/", fx);
    List missing;
    EXPECT_EQ(desktop->ParseDisplayName(fx + "no-such", nullptr, &missing.p, nullptr), HRESULT_FILE_NOT_FOUND);

    std::shared_ptr<IShellFolder> folder;
    ASSERT_EQ(desktop->BindToObject(folderId.p, folder), S_OK);
    auto folder2 = std::dynamic_pointer_cast<IShellFolder2>(folder);
    ASSERT_TRUE(folder2);
    std::shared_ptr<IEnumIDList> items;
    ASSERT_EQ(folder->EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items), S_OK);
    std::map<std::string, SFGAOF> attributes;
    std::vector<std::shared_ptr<List>> children;
    LPITEMIDLIST child;
    while (items->Next(1, &child, nullptr) == S_OK) {
        auto owned = std::make_shared<List>();
        owned->p = child;
        children.push_back(owned);
        STRRET name;
        folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &name);
        SFGAOF asked = SFGAO_HASSUBFOLDER;
        LPCITEMIDLIST one = child;
        folder->GetAttributesOf(1, &one, &asked);
        attributes[name.pOleStr] = asked;
    }
    EXPECT_FALSE(attributes.count(".hidden.txt"));  // hidden ones only when asked for
    struct Case {
        const char* name;
        SFGAOF set;
        SFGAOF clear;
    } cases[] = {{"doc.pdf", SFGAO_FILESYSTEM | SFGAO_STREAM, SFGAO_FOLDER | SFGAO_HIDDEN},
                 {"nested", SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER, SFGAO_STREAM},
                 {"emptydir", SFGAO_FOLDER, SFGAO_HASSUBFOLDER},
                 {"link-to-folder", SFGAO_FOLDER | SFGAO_LINK, 0},
                 {"readonly.txt", SFGAO_READONLY, 0},
                 {"star*name.pdf", SFGAO_STREAM, 0}};
    for (const auto& c : cases) {
        ASSERT_TRUE(attributes.count(c.name)) << c.name;
        EXPECT_EQ(attributes[c.name] & c.set, c.set) << c.name;
        EXPECT_EQ(attributes[c.name] & c.clear, 0u) << c.name;
    }

    // Folders sort before files; names ignore case.
    std::sort(children.begin(), children.end(), [&](auto& x, auto& y) {
        return static_cast<std::int16_t>(folder->CompareIDs(0, x->p, y->p) & 0xFFFF) < 0;
    });
    STRRET first;
    folder->GetDisplayNameOf(children.front()->p, SHGDN_INFOLDER, &first);
    EXPECT_EQ(first.pOleStr, "emptydir");

    SHELLDETAILS heading;
    std::vector<std::string> titles;
    for (UINT column = 0; folder2->GetDetailsOf(nullptr, column, &heading) == S_OK; ++column)
        titles.push_back(heading.str.pOleStr);
    EXPECT_EQ(titles, (std::vector<std::string>{"Name", "Size", "Type", "Modified"}));
    List pdf;
    ASSERT_EQ(folder->ParseDisplayName("doc.pdf", nullptr, &pdf.p, nullptr), S_OK);
    SHELLDETAILS type, size;
    ASSERT_EQ(folder2->GetDetailsOf(pdf.p, 2, &type), S_OK);
    EXPECT_EQ(type.str.pOleStr, "PDF document");
    ASSERT_EQ(folder2->GetDetailsOf(pdf.p, 1, &size), S_OK);
    EXPECT_EQ(size.str.pOleStr, "1 KB");
    EXPECT_EQ(size.fmt, LVCFMT_RIGHT);
}

TEST(ShellNamespaceTest, RenameNeverReplacesAnotherItem) {
    ScratchDir dir;
    dir.Write("old.txt", "old");
    dir.Write("taken.txt", "keep me");
    std::shared_ptr<IShellFolder> desktop, folder;
    SHGetDesktopFolder(desktop);
    List id, item, renamed;
    ASSERT_EQ(desktop->ParseDisplayName(dir.Path(), nullptr, &id.p, nullptr), S_OK);
    ASSERT_EQ(desktop->BindToObject(id.p, folder), S_OK);
    ASSERT_EQ(folder->ParseDisplayName("old.txt", nullptr, &item.p, nullptr), S_OK);
    EXPECT_EQ(folder->SetNameOf(item.p, "taken.txt", SHGDN_NORMAL, &renamed.p), HRESULT_ALREADY_EXISTS);
    EXPECT_EQ(CommandOutput("cat " + ShellQuote(dir.Path() + "taken.txt")), "keep me");
    EXPECT_EQ(folder->SetNameOf(item.p, "../escape.txt", SHGDN_NORMAL, &renamed.p), E_INVALIDARG);
    ASSERT_EQ(folder->SetNameOf(item.p, "new.txt", SHGDN_NORMAL, &renamed.p), S_OK);
    STRRET name;
    folder->GetDisplayNameOf(renamed.p, SHGDN_FORPARSING, &name);
    EXPECT_EQ(name.pOleStr, dir.Path() + "new.txt");
}

TEST(ShellNamespaceTest, MountsListOnlyRealFileSystems) {
    std::string mountinfo =
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "23 22 0:5 / /proc rw - proc proc rw\n"
        "24 22 8:2 / /mnt/My\\040Disk rw - ext4 /dev/sdb1 rw\n"
        "25 22 0:40 / /srv/share rw - nfs4 server:/export rw\n"
        "26 22 0:41 / /tmp rw - tmpfs tmpfs rw\n"
        "27 22 8:3 / /run/media/u/stick rw - vfat /dev/sdc1 rw\n"
        "garbage line\n";
    EXPECT_EQ(RealMountPoints(mountinfo),
              (std::vector<std::string>{"/", "/mnt/My Disk", "/srv/share", "/run/media/u/stick"}));
}

}  // namespace
}  // namespace parch
