#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "ShellPins.h"
#include "platform/os/Files.h"
#include "platform/os/FolderWatch.h"
#include "platform/gdi/IconObjects.h"
#include "platform/win/Icons.h"
#include "platform/win/ImageLists.h"
#include "skin/controls/acShellCtrls.h"
#include "tests/platform/os/ShellFixture.h"

namespace parch {
namespace {

namespace fs = std::filesystem;
using test::AskGio;
using test::CommandOutput;
using test::ShellQuote;

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '/')) text.pop_back();
    return text;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A tree the tests build: nested folders, dot names, non-ASCII and "*" names, a link, a FIFO
// and a 5 GB sparse file.
class ShellModel : public ::testing::Test {
protected:
    static constexpr std::uint64_t kSparseSize = 5ull << 30;

    void SetUp() override {
        pins_ = &test::PinShellEnvironment();
        root_ = scratch_.Path() + "tree";
        fs::create_directories(root_ + "/a/b/c");
        fs::create_directories(root_ + "/.hidden.d");
        fs::create_directories(root_ + "/my.folder");
        std::ofstream(root_ + "/a/b/c/deep.txt") << "deep\n";
        std::ofstream(root_ + "/doc.pdf") << "%PDF-1.4\n%%EOF\n";
        std::ofstream(root_ + "/notes.txt") << "twelve bytes";
        std::ofstream(root_ + "/sample.parchsample") << "s\n";
        std::ofstream(root_ + "/Überblick.txt") << "u\n";
        std::ofstream(root_ + "/star*name.txt") << "*\n";
        std::ofstream(root_ + "/archive.zip") << "PK";
        fs::create_symlink("doc.pdf", root_ + "/link.pdf");
        ASSERT_EQ(mkfifo((root_ + "/pipe").c_str(), 0644), 0);
        int fd = open((root_ + "/huge.bin").c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kSparseSize)), 0);
        close(fd);
        TacRoot root = root_;
        folder_ = ChangeRootFolder(nullptr, "rfDesktop", root, FailOnError);
    }

    static void FailOnError(const std::string& message) { ADD_FAILURE() << "unexpected error: " << message; }

    // The child object of the root folder with this in-folder name.
    std::unique_ptr<TacShellFolder> Child(TacShellFolder& parent, const std::string& name) {
        LPITEMIDLIST id = nullptr;
        ULONG eaten = 0;
        if (FAILED(parent.ShellFolder()->ParseDisplayName(name, &eaten, &id, nullptr))) return nullptr;
        TIdList owned(id);
        std::shared_ptr<IShellFolder> folder;
        if (ItemIsContainer(parent.ShellFolder().get(), id)) folder = BindShellFolder(parent.ShellFolder().get(), id, nullptr);
        return std::make_unique<TacShellFolder>(&parent, folder, id);
    }

    const test::ShellPins* pins_ = nullptr;
    test::ScratchDir scratch_;
    std::string root_;
    std::unique_ptr<TacShellFolder> folder_;
};

TEST(ShellIdLists, RoutinesKeepTheLayoutAndOwnTheirCopies) {
    TIdList desktop = DesktopIdList();
    EXPECT_EQ(IdListSize(desktop.get()), 2u);
    EXPECT_EQ(IdItemCount(desktop.get()), 0u);
    EXPECT_EQ(IdListSize(nullptr), 0u);
    DropLastIdItem(nullptr);
    // Going up from the desktop stays at the desktop.
    TIdList up = CopyIdList(desktop.get());
    DropLastIdItem(up.get());
    EXPECT_TRUE(ILIsEqual(up.get(), desktop.get()));

    TIdList one(ILFromItemBytes("one")), two(ILFromItemBytes("two")), three(ILFromItemBytes("three"));
    TIdList firstTwo = JoinIdLists(one.get(), two.get());
    TIdList all = JoinIdLists(firstTwo.get(), three.get());
    EXPECT_EQ(IdItemCount(all.get()), 3u);
    EXPECT_EQ(IdListSize(all.get()), 5u + 5u + 7u + 2u);
    EXPECT_TRUE(ILIsEqual(JoinIdLists(desktop.get(), all.get()).get(), all.get()));
    EXPECT_TRUE(ILIsEqual(JoinIdLists(nullptr, all.get()).get(), all.get()));
    EXPECT_EQ(ILFirstItemBytes(NextIdItem(all.get())), "two");
    EXPECT_TRUE(ILIsEqual(LastIdItemCopy(all.get()).get(), three.get()));

    std::vector<TIdList> prefixes = IdListPrefixes(all.get());
    ASSERT_EQ(prefixes.size(), 3u);
    EXPECT_TRUE(ILIsEqual(prefixes[0].get(), desktop.get()));
    EXPECT_TRUE(ILIsEqual(prefixes[1].get(), one.get()));
    EXPECT_TRUE(ILIsEqual(prefixes[2].get(), firstTwo.get()));
    EXPECT_TRUE(IdListPrefixes(desktop.get()).empty());

    TIdList copy = CopyIdList(all.get());
    DropLastIdItem(copy.get());
    EXPECT_TRUE(ILIsEqual(copy.get(), firstTwo.get()));
    EXPECT_EQ(IdItemCount(all.get()), 3u);  // the copy is its own
}

TEST(ShellIdLists, ReturnedNamesAndRootNames) {
    TIdList item(ILFromItemBytes(std::string("xname\0", 6)));
    struct Case {
        STRRET name;
        std::string expected;
    } cases[] = {
        {{STRRET_WSTR, "?1?2 name", 0, {}}, "12 name"},  // the marks of untranslated names go
        {{STRRET_WSTR, "?x", 0, {}}, "?x"},
        {{STRRET_WSTR, "?", 0, {}}, "?"},
        {{STRRET_CSTR, {}, 0, std::string("cut\0here", 8)}, "cut"},
        {{STRRET_OFFSET, {}, 3, {}}, "name"},
        {{STRRET_OFFSET, {}, 400, {}}, ""},  // past the item: nothing read outside it
    };
    for (const auto& c : cases) EXPECT_EQ(StrRetText(item.get(), c.name), c.expected) << c.name.pOleStr;

    EXPECT_EQ(RootFolderIndex("rfDesktop"), 0);
    EXPECT_EQ(RootFolderIndex("rfDesktopDirectory"), 10);
    EXPECT_EQ(RootFolderIndex("rfFavorites"), 11);
    EXPECT_EQ(RootFolderIndex("rfTemplates"), 22);
    EXPECT_EQ(RootFolderIndex("rfNoSuchFolder"), -1);
    EXPECT_EQ(RootFolderIndex("/home"), -1);
    EXPECT_EQ(RootFolderCsidl(TacRootFolder::rfPersonal), CSIDL_PERSONAL);
    EXPECT_EQ(ObjectTypesToEnumFlags({TacShellObjectType::otFolders, TacShellObjectType::otHidden}),
              SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN);
    EXPECT_EQ(NotifyFiltersToFlags({TacNotifyFilter::nfDirNameChange, TacNotifyFilter::nfSecurityChange}),
              FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SECURITY);
}

TEST_F(ShellModel, RootsFollowTheUserDirsAndTheMountTable) {
    struct Case {
        const char* root;
        const char* xdgName;  // the oracle's name; nullptr: the expected path is given
        std::string path;
    } cases[] = {
        {"rfPersonal", "DOCUMENTS", {}},
        {"rfDesktopDirectory", "DESKTOP", {}},
        {"rfTemplates", "TEMPLATES", {}},
        {"rfDesktop", "DESKTOP", {}},
    };
    for (auto& c : cases) {
        TacRoot root = c.root;
        auto object = ChangeRootFolder(nullptr, root_, root, FailOnError);
        std::string expected = Trimmed(CommandOutput(std::string("xdg-user-dir ") + c.xdgName));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(object->ParsingName(), expected) << c.root;
        EXPECT_EQ(root, c.root);
    }

    TacRoot computerName = "rfMyComputer";
    auto computer = ChangeRootFolder(nullptr, root_, computerName, FailOnError);
    std::shared_ptr<IEnumIDList> items;
    ASSERT_EQ(computer->ShellFolder()->EnumObjects(SHCONTF_FOLDERS, items), S_OK);
    std::vector<std::string> points;
    LPITEMIDLIST item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) {
        TacShellFolder child(computer.get(), BindShellFolder(computer->ShellFolder().get(), item, nullptr), item);
        points.push_back(child.ParsingName());
        EXPECT_EQ(child.Level(), 1);
        FreeIdList(item);
    }
    std::vector<std::string> expected = {"/"};
    for (const char* point : test::kFixtureMounts) expected.push_back(point);
    EXPECT_EQ(points, expected);
}

TEST_F(ShellModel, UnknownRootsFallBackOrRaise) {
    struct Case {
        const char* newRoot;
        const char* oldRoot;
        bool raises;
    } cases[] = {
        {"rfNetwork", "rfPersonal", false},       // a special folder this desktop does not have
        {"/no/such/folder", "rfPersonal", false},  // a path that does not resolve
        {"", "rfPersonal", false},                 // an empty path counts as failure
        {"rfRecycleBin", "/no/such/either", true},
    };
    for (const auto& c : cases) {
        TacRoot root = c.newRoot;
        std::vector<std::string> shown;
        auto report = [&](const std::string& message) { shown.push_back(message); };
        // A path is named as it was tried, with its delimiter.
        std::string tried = c.newRoot[0] == '/' ? std::string(c.newRoot) + "/" : c.newRoot;
        std::string expectedMessage = "Error Setting Path : " + tried;
        if (c.raises) {
            try {
                ChangeRootFolder(nullptr, c.oldRoot, root, report);
                ADD_FAILURE() << c.newRoot << " did not raise";
            } catch (const Exception& error) {
                EXPECT_EQ(error.Message(), expectedMessage);
            }
            EXPECT_TRUE(shown.empty());
            continue;
        }
        auto object = ChangeRootFolder(nullptr, c.oldRoot, root, report);
        EXPECT_EQ(shown, std::vector<std::string>{expectedMessage});
        EXPECT_EQ(root, c.oldRoot);
        EXPECT_EQ(object->ParsingName(), pins_->home + "/Dokumente");
    }
}

TEST_F(ShellModel, PathRootsGetTheirDelimiterAndResolveDeep) {
    TacRoot root = root_ + "/a/b/c";
    auto deep = ChangeRootFolder(std::move(folder_), "rfDesktop", root, FailOnError);
    EXPECT_EQ(root, root_ + "/a/b/c/");
    EXPECT_EQ(deep->ParsingName(), root_ + "/a/b/c");
    EXPECT_EQ(deep->ShownName(TacShowExtension::seSystem), "c");
    EXPECT_EQ(deep->Level(), 0);  // a child of the desktop object
    EXPECT_TRUE(FolderHasItems(deep->ShellFolder().get(), SHCONTF_NONFOLDERS));
    EXPECT_FALSE(FolderHasItems(deep->ShellFolder().get(), SHCONTF_FOLDERS));
    EXPECT_FALSE(FolderHasItems(nullptr, SHCONTF_NONFOLDERS));

    // The same folder reached again names the same item.
    TacRoot again = root_ + "/a/./b/c";
    auto same = ChangeRootFolder(nullptr, "rfDesktop", again, FailOnError);
    EXPECT_TRUE(SameIdLists(deep->AbsoluteID(), same->AbsoluteID()));
    auto leaf = Child(*same, "deep.txt");
    ASSERT_TRUE(leaf);
    EXPECT_FALSE(SameIdLists(deep->AbsoluteID(), leaf->AbsoluteID()));
    EXPECT_EQ(leaf->Level(), 1);
}

TEST_F(ShellModel, CaptionsAttributesAndColumnsAgainstStatAndGio) {
    auto pdf = Child(*folder_, "doc.pdf");
    auto sample = Child(*folder_, "sample.parchsample");
    auto umlaut = Child(*folder_, "Überblick.txt");
    auto star = Child(*folder_, "star*name.txt");
    auto link = Child(*folder_, "link.pdf");
    auto hidden = Child(*folder_, ".hidden.d");
    auto nested = Child(*folder_, "a");
    for (auto* item : {pdf.get(), sample.get(), umlaut.get(), star.get(), link.get(), hidden.get(), nested.get()})
        ASSERT_TRUE(item);

    EXPECT_EQ(umlaut->ShownName(TacShowExtension::seSystem), "Überblick.txt");
    EXPECT_EQ(star->ParsingName(), root_ + "/star*name.txt");
    EXPECT_TRUE(link->Attributes().Contains(TacItemAttribute::iaLink));
    EXPECT_TRUE(hidden->Attributes().Contains(TacItemAttribute::iaHidden));
    EXPECT_TRUE(pdf->Attributes().Contains(TacItemAttribute::iaFileSystem));
    EXPECT_FALSE(pdf->Attributes().Contains(TacItemAttribute::iaHidden));
    EXPECT_TRUE(pdf->Abilities().Contains(TacItemAbility::caRename));
    EXPECT_TRUE(nested->IsContainer("a", false));
    EXPECT_TRUE(nested->HasSubFolders());
    EXPECT_FALSE(pdf->IsContainer("doc.pdf", true));

    // Type names: the comment of the type gio finds under the same data folders.
    struct TypeCase {
        TacShellFolder* item;
        std::string path;
        const char* comment;
    } types[] = {
        {pdf.get(), root_ + "/doc.pdf", "PDF document"},
        {sample.get(), root_ + "/sample.parchsample", "Parch sample file"},
        {umlaut.get(), root_ + "/Überblick.txt", "plain text document"},
        {nested.get(), root_ + "/a", "Folder"},
    };
    const char* gioTypes[] = {"application/pdf", "application/x-parch-sample", "text/plain", "inode/directory"};
    for (std::size_t i = 0; i < std::size(types); ++i) {
        EXPECT_EQ(AskGio(types[i].path).contentType, gioTypes[i]) << types[i].path;
        types[i].item->LoadColumnDetails(folder_.get(), nullptr, 3);
        EXPECT_EQ(types[i].item->ColumnText(2), types[i].comment) << types[i].path;
    }
    struct stat status{};
    ASSERT_EQ(stat((root_ + "/notes.txt").c_str(), &status), 0);
    auto notes = Child(*folder_, "notes.txt");
    notes->LoadColumnDetails(folder_.get(), nullptr, 3);
    EXPECT_EQ(notes->ColumnText(1), "1 KB");  // 12 bytes, shown in whole KB rounded up
    EXPECT_EQ(notes->ColumnText(4), "");      // beyond what was loaded
}

TEST_F(ShellModel, FindDataOfLargeFilesFoldersAndVanishedItems) {
    auto huge = Child(*folder_, "huge.bin");
    auto nested = Child(*folder_, "my.folder");
    WIN32_FIND_DATA data;
    huge->ReadFindData(data);
    EXPECT_EQ(FindDataColumnText(data, 1), std::to_string(kSparseSize));
    EXPECT_EQ(FindDataColumnText(data, 2), ".bin");
    EXPECT_EQ(FindDataColumnText(data, 9), "");
    struct stat status{};
    ASSERT_EQ(stat((root_ + "/huge.bin").c_str(), &status), 0);
    std::tm local{};
    localtime_r(&status.st_mtime, &local);
    local.tm_sec -= local.tm_sec % 2;
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    EXPECT_EQ(FindDataColumnText(data, 3), when);

    nested->ReadFindData(data);
    EXPECT_EQ(FindDataColumnText(data, 1), "-1");
    EXPECT_EQ(FindDataColumnText(data, 2), ".folder");
    EXPECT_EQ(FindDataColumnText(data, 3), "1899-12-29 00:00:00");
    EXPECT_EQ(FindDataColumnText(data, 4), std::to_string(FILE_ATTRIBUTE_DIRECTORY));

    fs::remove(root_ + "/huge.bin");
    try {
        huge->ReadFindData(data);
        ADD_FAILURE() << "no error for a vanished item";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Unable to retrieve folder details for \"huge.bin\". Error code $2");
    }
    try {
        huge->ColumnText(1);
        ADD_FAILURE() << "no error before the columns were loaded";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "huge.bin: Missing call to LoadColumnDetails");
    }
}

TEST_F(ShellModel, ExtensionsShownOrHiddenOnlyForFiles) {
    struct Case {
        const char* name;
        TacShowExtension show;
        const char* expected;
    } cases[] = {
        {"doc.pdf", TacShowExtension::seSystem, "doc.pdf"},
        {"doc.pdf", TacShowExtension::seShow, "doc.pdf"},  // shown once, not twice
        {"doc.pdf", TacShowExtension::seHide, "doc"},
        {"my.folder", TacShowExtension::seHide, "my.folder"},
        {"my.folder", TacShowExtension::seShow, "my.folder"},
        {"star*name.txt", TacShowExtension::seHide, "star*name"},
    };
    for (const auto& c : cases) {
        auto item = Child(*folder_, c.name);
        ASSERT_TRUE(item) << c.name;
        EXPECT_EQ(item->ShownName(c.show), c.expected) << c.name << " " << static_cast<int>(c.show);
    }
    EXPECT_EQ(ItemDisplayName(nullptr, folder_->RelativeID(), SHGDN_NORMAL, TacShowExtension::seSystem),
              "parentfolder = nil");
    // Computer's parsing name is a class-identifier form: its normal name stands instead.
    TacRoot computer = "rfMyComputer";
    auto drives = ChangeRootFolder(nullptr, "rfDesktop", computer, FailOnError);
    EXPECT_EQ(ItemDisplayName(ShellDesktop().get(), drives->AbsoluteID(), SHGDN_FORPARSING, TacShowExtension::seSystem),
              "Computer");
}

TEST_F(ShellModel, ZipFilesAreContainersOnlyWhenAsked) {
    auto zip = Child(*folder_, "archive.zip");
    EXPECT_FALSE(zip->IsContainer("ARCHIVE.ZIP", false));
    EXPECT_EQ(zip->IsContainer("archive.zip", true), ItemIsContainer(folder_->ShellFolder().get(), zip->RelativeID()));
}

TEST_F(ShellModel, RenameStaysInItsFolderAndReplacesNothing) {
    struct Refused {
        std::string name;
    } refused[] = {{"a/b"}, {"../escaped.pdf"}, {"."}, {".."}, {""}, {std::string("nul\0byte", 8)}, {"notes.txt"}};
    auto pdf = Child(*folder_, "doc.pdf");
    for (const auto& r : refused) {
        try {
            pdf->RenameTo(r.name);
            ADD_FAILURE() << "renamed to " << r.name;
        } catch (const Exception& error) {
            // A NUL in the name ends the message's text there.
            EXPECT_EQ(error.Message(), std::string(("Rename to " + r.name + " failed").c_str()));
        }
        EXPECT_TRUE(fs::exists(root_ + "/doc.pdf")) << r.name;
    }
    EXPECT_EQ(ReadAll(root_ + "/notes.txt"), "twelve bytes");  // not replaced

    // Deep in the tree: the new absolute ID still starts with the parent's.
    auto a = Child(*folder_, "a");
    auto b = Child(*a, "b");
    auto c = Child(*b, "c");
    auto deep = Child(*c, "deep.txt");
    deep->LoadColumnDetails(c.get(), nullptr, 1);
    ASSERT_TRUE(deep->RenameTo("renamed.txt"));
    EXPECT_TRUE(fs::exists(root_ + "/a/b/c/renamed.txt"));
    EXPECT_EQ(deep->ParsingName(), root_ + "/a/b/c/renamed.txt");
    EXPECT_EQ(deep->ShownName(TacShowExtension::seSystem), "renamed.txt");
    std::vector<TIdList> prefixes = IdListPrefixes(deep->AbsoluteID());
    ASSERT_FALSE(prefixes.empty());
    EXPECT_TRUE(ILIsEqual(prefixes.back().get(), c->AbsoluteID()));
    EXPECT_THROW(deep->ColumnText(1), Exception);  // the old texts are gone with the old name

    // An item that cannot be renamed answers false and stays.
    fs::permissions(root_ + "/a/b/c", fs::perms::owner_write, fs::perm_options::remove);
    if (access((root_ + "/a/b/c").c_str(), W_OK) != 0) {
        EXPECT_FALSE(deep->RenameTo("again.txt"));
    }
    fs::permissions(root_ + "/a/b/c", fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(ShellModel, OpeningHandsTheAbsolutePathToTheOpener) {
    fs::remove(pins_->openerLog);
    auto star = Child(*folder_, "star*name.txt");
    std::string before = CurrentFolder();
    star->OpenWithShell();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadAll(pins_->openerLog).empty() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(ReadAll(pins_->openerLog), root_ + "/star*name.txt\n");
    EXPECT_EQ(CurrentFolder(), before);
}

// Straight-alpha BGRA pixels of a picture, as image lists keep them.
struct IconPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    bool operator==(const IconPicture&) const = default;
};

IconPicture DecodedByPillow(const std::string& png) {
    std::istringstream answer(CommandOutput(
        "/usr/bin/python3 -c \"import sys\nfrom PIL import Image\ni = Image.open(sys.argv[1]).convert('RGBA')\n"
        "print(i.width, i.height, i.tobytes().hex())\" " + ShellQuote(png) + " 2>/dev/null"));
    IconPicture picture;
    std::string hex;
    answer >> picture.width >> picture.height >> hex;
    for (std::size_t i = 0; i + 8 <= hex.size(); i += 8) {
        auto byte = [&](std::size_t at) { return static_cast<std::uint32_t>(std::stoul(hex.substr(i + at, 2), nullptr, 16)); };
        picture.pixels.push_back(byte(4) | byte(2) << 8 | byte(0) << 16 | byte(6) << 24);
    }
    return picture;
}

IconPicture SmallListPicture(int index) {
    IconPicture picture;
    HICON icon = ImageList_GetIcon(ShellSmallImages(), index, ILD_NORMAL);
    IconImage image;
    if (icon && GetIconImage(icon, image)) picture = {image.width, image.height, image.color};
    if (icon) DestroyIcon(icon);
    // Colour where nothing shows does not count.
    for (auto& pixel : picture.pixels)
        if ((pixel >> 24) == 0) pixel = 0;
    return picture;
}

TEST_F(ShellModel, IconsAreTheThemePicturesOfGiosIconNames) {
    const std::string theme = pins_->dataDirs + "/icons/hicolor/16x16/";
    // The fixture theme's picture for the first of gio's icon names that it has.
    auto themePicture = [&](const std::string& path) {
        for (const auto& name : AskGio(path).icons)
            for (const char* context : {"mimetypes/", "places/"})
                if (fs::exists(theme + context + name + ".png")) return DecodedByPillow(theme + context + name + ".png");
        return IconPicture{};
    };
    auto cleared = [](IconPicture picture) {
        for (auto& pixel : picture.pixels)
            if ((pixel >> 24) == 0) pixel = 0;
        return picture;
    };
    for (const char* name : {"doc.pdf", "sample.parchsample", "a"}) {
        auto item = Child(*folder_, name);
        IconPicture expected = cleared(themePicture(root_ + "/" + name));
        ASSERT_EQ(expected.width, 16) << name;
        EXPECT_EQ(SmallListPicture(item->IconIndex(false)), expected) << name;
    }
    auto folder = Child(*folder_, "a");
    EXPECT_EQ(SmallListPicture(ShellIconIndex(folder->AbsoluteID(), false, true)),
              cleared(DecodedByPillow(theme + "places/folder-open.png")));
}

TEST_F(ShellModel, ComboListsTheDesktopTheDrivesAndTheChainToASelection) {
    auto captions = [](const TacShellComboItems& combo) {
        std::vector<std::string> lines;
        for (const auto& item : combo.Items()) lines.push_back(std::string(2 * item.indent, ' ') + item.caption);
        return lines;
    };
    TacShellComboItems combo;
    TacRoot root = "rfDesktop";
    combo.BuildRoot(root, "rfDesktop", {TacShellObjectType::otFolders}, FailOnError);
    std::vector<std::string> desktop = {"Desktop",   "  Home",       "  Desktop",       "  Documents",
                                        "  Computer", "    /",       "    usb stick",   "    share"};
    EXPECT_EQ(captions(combo), desktop);
    EXPECT_EQ(combo.ItemIndex(), 0);

    // Three folders below a drive: each one level deeper, right below its parent, the last selected.
    TacRoot deepRoot = root_ + "/a/b/c";
    auto deep = ChangeRootFolder(nullptr, "rfDesktop", deepRoot, FailOnError);
    combo.SelectIdList(deep->AbsoluteID());
    std::vector<std::string> lines = captions(combo);
    std::vector<std::string> expected(desktop.begin(), desktop.begin() + 6);
    std::string indent = "      ";
    std::string path;
    for (std::size_t at = 1; at < root_.size(); at = path.size() + 1) {
        path = root_.substr(0, root_.find('/', at));
        expected.push_back(indent + ExtractFileName(path));
        indent += "  ";
        if (path == root_) break;
    }
    for (const char* name : {"a", "b", "c"}) {
        expected.push_back(indent + name);
        indent += "  ";
    }
    expected.insert(expected.end(), desktop.begin() + 6, desktop.end());
    EXPECT_EQ(lines, expected);
    ASSERT_GE(combo.ItemIndex(), 0);
    EXPECT_EQ(combo.Items()[static_cast<std::size_t>(combo.ItemIndex())].caption, "c");
    EXPECT_EQ(combo.IndexOfIdList(deep->AbsoluteID()), combo.ItemIndex());

    // A root that cannot be listed keeps no children instead of failing the whole list.
    TacRoot other = root_ + "/a";
    fs::permissions(root_ + "/a", fs::perms::owner_read, fs::perm_options::remove);
    const bool refused = access((root_ + "/a").c_str(), R_OK) != 0;  // root may read anything
    combo.BuildRoot(other, "rfDesktop", {TacShellObjectType::otFolders}, FailOnError);
    fs::permissions(root_ + "/a", fs::perms::owner_read, fs::perm_options::add);
    if (refused) EXPECT_EQ(captions(combo), std::vector<std::string>{"a"});
    else EXPECT_EQ(captions(combo), (std::vector<std::string>{"a", "  b"}));
}

TEST(ShellFolderFill, MasksMatchAsTheirCharactersSay) {
    struct Case {
        const char* name;
        const char* mask;
        bool matches;
    } cases[] = {
        {"doc.pdf", "*.pdf", true},    {"DOC.PDF", "*.pdf", true},    {"doc.pdf.txt", "*.pdf", false},
        {"abc", "a?c", true},          {"ac", "a?c", false},          {"abbc", "a?c", false},
        {"AxxBxxC", "A*B*C", true},    {"ABC", "a*b*c", true},        {"AxxCxxB", "A*B*C", false},
        {"ABCx", "A*B*C", false},      {"x", "**", true},             {"", "*", true},
        {"", "", false},               {"abab", "*ab", true},         {"aXbYb", "a*b", true},
        {"report-2024.pdf", "report-????.pdf", true},                 {"a", "a*", true},
        {"ba", "a*", false},           {"abcabd", "*ab?", true},      {"ab", "*a*b*", true},
    };
    for (const auto& c : cases) EXPECT_EQ(MaskMatches(c.name, c.mask), c.matches) << c.name << " ~ " << c.mask;
}

TEST(ShellFolderFill, IncrementalSearchVisitsEachItemOnce) {
    const std::vector<std::string> names = {"alpha", "beta", "Gamma", "gamut", "zeta"};
    auto nameAt = [&names](int index) { return names.at(static_cast<std::size_t>(index)); };
    const int count = static_cast<int>(names.size());
    struct Case {
        const char* prefix;
        bool wrap;
        int start;
        int found;
    } cases[] = {
        {"GA", false, 0, 2}, {"ga", false, 3, 3}, {"ze", false, 0, 4},  // the last item is found
        {"al", false, 3, -1}, {"al", true, 3, 0}, {"none", true, 2, -1},  // once round, then stop
        {"be", false, 99, 1}, {"be", true, -5, 1},                        // a start outside begins at 0
        {"", false, 2, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindNamePrefix(nameAt, count, c.prefix, c.wrap, c.start), c.found)
            << c.prefix << " from " << c.start << (c.wrap ? " wrapping" : "");
    EXPECT_EQ(FindNamePrefix(nameAt, 0, "a", true, 0), -1);
}

TEST_F(ShellModel, FolderFillMasksSortsAndAsksTheHandler) {
    auto names = [](const std::vector<std::unique_ptr<TacShellFolder>>& folders) {
        std::vector<std::string> shown;
        for (const auto& folder : folders) shown.push_back(folder->ShownName(TacShowExtension::seSystem));
        return shown;
    };
    TacFolderFill fill;
    fill.fileMask = "*.pdf;*.TXT";
    EXPECT_EQ(names(EnumerateShellFolder(*folder_, fill)),
              (std::vector<std::string>{"a", "my.folder", "doc.pdf", "link.pdf", "notes.txt", "star*name.txt",
                                        "Überblick.txt"}));
    fill.fileMask.clear();
    fill.objectTypes = {TacShellObjectType::otNonFolders, TacShellObjectType::otHidden};
    std::vector<std::string> asked;
    fill.onAddFolder = [&asked](TacShellFolder* folder, bool& canAdd) {
        asked.push_back(folder->ShownName(TacShowExtension::seSystem));
        canAdd = asked.back() != "pipe";
    };
    std::vector<std::string> files = {"archive.zip", "doc.pdf", "huge.bin", "link.pdf", "notes.txt",
                                      "sample.parchsample", "star*name.txt", "Überblick.txt"};
    EXPECT_EQ(names(EnumerateShellFolder(*folder_, fill)), files);
    EXPECT_EQ(asked.size(), files.size() + 1);  // the FIFO was offered and refused
    for (const auto& folder : EnumerateShellFolder(*folder_, fill)) EXPECT_EQ(folder->Parent(), folder_.get());

    fs::remove_all(root_);
    EXPECT_TRUE(EnumerateShellFolder(*folder_, TacFolderFill{}).empty());  // a folder that cannot be listed
}

}  // namespace
}  // namespace parch
