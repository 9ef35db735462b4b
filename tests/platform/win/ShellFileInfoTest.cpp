#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "platform/display/PngFile.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Fonts.h"
#include "platform/os/FileTypes.h"
#include "platform/win/ShellFileInfo.h"
#include "platform/win/SystemImageLists.h"
#include "tests/platform/os/ShellFixture.h"
#include "tests/platform/win/ImageTestSupport.h"

namespace parch {
namespace {

using test::AskGio;
using test::CommandOutput;
using test::GioAnswer;
using test::ShellFixtureFolder;
using test::ShellQuote;


// Straight-alpha BGRA pixels, as image lists and icons keep them.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Each PNG decoded by Pillow, in one run.
std::map<std::string, Picture> DecodeWithPillow(const std::set<std::string>& files) {
    std::string command =
        "/usr/bin/python3 -c \"import sys\nfrom PIL import Image\nfor f in sys.argv[1:]:\n"
        " i = Image.open(f).convert('RGBA')\n print(f, i.width, i.height, i.tobytes().hex())\"";
    for (const auto& file : files) command += " " + ShellQuote(file);
    std::istringstream lines(CommandOutput(command + " 2>/dev/null"));
    std::map<std::string, Picture> pictures;
    std::string file, hex;
    Picture picture;
    while (lines >> file >> picture.width >> picture.height >> hex) {
        picture.pixels.clear();
        for (std::size_t i = 0; i + 8 <= hex.size(); i += 8) {
            auto byte = [&](std::size_t at) { return std::stoul(hex.substr(i + at, 2), nullptr, 16); };
            picture.pixels.push_back(static_cast<std::uint32_t>(byte(4) | byte(2) << 8 | byte(0) << 16 | byte(6) << 24));
        }
        pictures[file] = picture;
    }
    return pictures;
}

Picture ListPicture(HIMAGELIST list, int index) {
    Picture picture;
    HICON icon = ImageList_GetIcon(list, index, ILD_NORMAL);
    IconImage image;
    if (icon && GetIconImage(icon, image)) picture = {image.width, image.height, image.color};
    if (icon) DestroyIcon(icon);
    return picture;
}

// Equal where it shows: the same alpha everywhere and the same colour wherever alpha is not 0.
bool SamePicture(const Picture& a, const Picture& b, std::string& why) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) {
        why = "size " + std::to_string(a.width) + "x" + std::to_string(a.height) + " vs " + std::to_string(b.width) +
              "x" + std::to_string(b.height);
        return false;
    }
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        std::uint32_t pa = a.pixels[i], pb = b.pixels[i];
        if ((pa >> 24) != (pb >> 24) || ((pa >> 24) != 0 && pa != pb)) {
            why = "pixel " + std::to_string(i);
            return false;
        }
    }
    return true;
}

std::vector<std::string> FixtureNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(ShellFixtureFolder()))
        names.push_back(entry.path().filename().string());
    return names;
}

// Every fixture against gio: the type name of gio's content type, and in the small system
// list the very picture of the theme PNG that gio's icon names lead to (the generic document
// or folder where the theme has none of them), decoded by Pillow.
TEST(ShellFileInfoTest, TypeNamesAndIconsFollowGioAndTheTheme) {
    const std::string& folder = ShellFixtureFolder();
    const IconThemes& theme = FileTypes::System().Icons();
    struct Seen {
        std::string name;
        SHFILEINFO info;
        std::string expectedFile;
    };
    std::vector<Seen> seen;
    std::set<std::string> files;
    for (const std::string& name : FixtureNames()) {
        GioAnswer gio = AskGio(folder + name);
        ASSERT_FALSE(gio.contentType.empty()) << name;
        Seen s{name, {}, {}};
        DWORD_PTR list = SHGetFileInfo((folder + name).c_str(), 0, &s.info, sizeof s.info,
                                       SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME | SHGFI_DISPLAYNAME);
        ASSERT_EQ(list, reinterpret_cast<DWORD_PTR>(win::SystemImageLists::Process().Small())) << name;
        EXPECT_STREQ(s.info.szDisplayName, name.c_str());
        const bool isFolder = gio.contentType == "inode/directory";
        EXPECT_EQ(s.info.szTypeName, isFolder ? std::string("Folder")
                                              : FileTypes::System().Mime().Comment(gio.contentType))
            << name;
        auto file = theme.FindIcon(gio.icons, win::kSmallShellIconSize);
        if (!file) file = theme.FindIcon({isFolder ? "folder" : "text-x-generic"}, win::kSmallShellIconSize);
        ASSERT_TRUE(file) << name;
        s.expectedFile = *file;
        files.insert(*file);
        seen.push_back(s);
    }
    ASSERT_GE(seen.size(), 25u);
    std::map<std::string, Picture> decoded = DecodeWithPillow(files);
    ASSERT_EQ(decoded.size(), files.size());
    std::set<int> indices;
    for (const Seen& s : seen) {
        const Picture& expected = decoded[s.expectedFile];
        ASSERT_EQ(expected.width, win::kSmallShellIconSize) << s.expectedFile;
        std::string why;
        EXPECT_TRUE(SamePicture(ListPicture(win::SystemImageLists::Process().Small(), s.info.iIcon), expected, why))
            << s.name << " at " << s.info.iIcon << " against " << s.expectedFile << ": " << why;
        indices.insert(s.info.iIcon);
    }
    EXPECT_EQ(indices.size(), files.size());  // one index per picture
}

TEST(ShellFileInfoTest, AttributesDisplayNamesAndNameOnlyTypes) {
    const std::string& folder = ShellFixtureFolder();
    struct Case {
        std::string path;
        SFGAOF set;
        SFGAOF clear;
        const char* displayName;
    } cases[] = {{folder + ".hidden.txt", SFGAO_HIDDEN | SFGAO_FILESYSTEM | SFGAO_STREAM, SFGAO_FOLDER, ".hidden.txt"},
                 {folder + "nested", SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM, SFGAO_HIDDEN, "nested"},
                 {folder + "emptydir", SFGAO_FOLDER, SFGAO_HASSUBFOLDER, "emptydir"},
                 {folder + "link-to-folder", SFGAO_FOLDER | SFGAO_LINK, 0, "link-to-folder"},
                 {folder + "readonly.txt", SFGAO_READONLY, SFGAO_FOLDER, "readonly.txt"},
                 {folder + "日本語.txt", SFGAO_STREAM, SFGAO_HIDDEN, "日本語.txt"},
                 {"C:\\", SFGAO_FOLDER, 0, "/"},
                 {"/", SFGAO_FOLDER, 0, "/"}};
    for (const Case& c : cases) {
        SHFILEINFO info;
        ASSERT_EQ(SHGetFileInfo(c.path.c_str(), 0, &info, sizeof info, SHGFI_ATTRIBUTES | SHGFI_DISPLAYNAME), 1u) << c.path;
        EXPECT_EQ(info.dwAttributes & c.set, c.set) << c.path;
        EXPECT_EQ(info.dwAttributes & c.clear, 0u) << c.path;
        EXPECT_STREQ(info.szDisplayName, c.displayName);
    }
    // Only what is asked with SHGFI_ATTR_SPECIFIED.
    SHFILEINFO asked;
    asked.dwAttributes = SFGAO_HIDDEN;
    ASSERT_TRUE(SHGetFileInfo((folder + "nested").c_str(), 0, &asked, sizeof asked, SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED));
    EXPECT_EQ(asked.dwAttributes, 0u);

    // Item-ID lists: the desktop and Computer.
    SHFILEINFO info;
    LPITEMIDLIST desktop = nullptr, computer = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(CSIDL_DESKTOP, &desktop), S_OK);
    ASSERT_EQ(SHGetSpecialFolderLocation(CSIDL_DRIVES, &computer), S_OK);
    ASSERT_TRUE(SHGetFileInfo(reinterpret_cast<const char*>(desktop), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_TYPENAME));
    EXPECT_STREQ(info.szDisplayName, "Desktop");
    EXPECT_STREQ(info.szTypeName, "Folder");
    ASSERT_TRUE(SHGetFileInfo(reinterpret_cast<const char*>(computer), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_ATTRIBUTES));
    EXPECT_STREQ(info.szDisplayName, "Computer");
    EXPECT_TRUE(info.dwAttributes & SFGAO_FOLDER);
    ILFree(desktop);
    ILFree(computer);

    // Missing items and unusable arguments fail; a short record is never written.
    EXPECT_EQ(SHGetFileInfo((folder + "no-such-file").c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME), 0u);
    EXPECT_EQ(SHGetFileInfo((folder + "doc.pdf").c_str(), 0, &info, sizeof info - 1, SHGFI_DISPLAYNAME), 0u);
    EXPECT_EQ(SHGetFileInfo("x.pdf", 0, &info, sizeof info, SHGFI_USEFILEATTRIBUTES | SHGFI_ATTRIBUTES), 0u);
    EXPECT_EQ(SHGetFileInfo(nullptr, 0, &info, sizeof info, SHGFI_DISPLAYNAME), 0u);

    // By name alone, for items that need not exist.
    struct NameCase {
        const char* path;
        DWORD attributes;
        const char* typeName;
        const char* displayName;
    } names[] = {{"/nowhere/report.pdf", 0, "PDF document", "report.pdf"},
                 {"notes.txt", 0, "plain text document", "notes.txt"},
                 {"/nowhere/report.pdf", 0x10 /* FILE_ATTRIBUTE_DIRECTORY */, "Folder", "report.pdf"}};
    for (const NameCase& c : names) {
        ASSERT_TRUE(SHGetFileInfo(c.path, c.attributes, &info, sizeof info, SHGFI_USEFILEATTRIBUTES | SHGFI_TYPENAME | SHGFI_DISPLAYNAME));
        EXPECT_STREQ(info.szTypeName, c.typeName) << c.path;
        EXPECT_STREQ(info.szDisplayName, c.displayName);
    }
    // A name longer than the record is cut whole characters at a time.
    std::string longName;
    for (int i = 0; i < 200; ++i) longName += "é";
    ASSERT_TRUE(SHGetFileInfo(longName.c_str(), 0, &info, sizeof info, SHGFI_USEFILEATTRIBUTES | SHGFI_DISPLAYNAME));
    EXPECT_EQ(std::string(info.szDisplayName), longName.substr(0, 258));
}

TEST(ShellFileInfoTest, SystemListsAreSharedLazyAndCannotBeDestroyed) {
    const std::string& folder = ShellFixtureFolder();
    SHFILEINFO info;
    HIMAGELIST small = reinterpret_cast<HIMAGELIST>(SHGetFileInfo("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    HIMAGELIST large = reinterpret_cast<HIMAGELIST>(SHGetFileInfo("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX));
    ASSERT_TRUE(small && large);
    EXPECT_NE(small, large);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(small, &cx, &cy);
    EXPECT_EQ(cx, 16);
    ImageList_GetIconSize(large, &cx, &cy);
    EXPECT_EQ(cx, 32);
    EXPECT_FALSE(ImageList_Destroy(small));
    EXPECT_FALSE(ImageList_Destroy(large));
    EXPECT_TRUE(IsImageListHandle(small) && IsImageListHandle(large));

    // The same icon name, the same index; asked again, the lists do not grow.
    SHFILEINFO first, second, upper;
    SHGetFileInfo((folder + "doc.pdf").c_str(), 0, &first, sizeof first, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    const int count = ImageList_GetImageCount(small);
    SHGetFileInfo((folder + "nested/inner.pdf").c_str(), 0, &second, sizeof second, SHGFI_SYSICONINDEX);
    SHGetFileInfo((folder + "UPPER.PDF").c_str(), 0, &upper, sizeof upper, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    EXPECT_EQ(first.iIcon, second.iIcon);
    EXPECT_EQ(first.iIcon, upper.iIcon);
    EXPECT_EQ(ImageList_GetImageCount(small), count);
    EXPECT_EQ(ImageList_GetImageCount(large), count);

    // Open folders have their own picture; SHGFI_ICON hands out an icon of the list's size.
    SHFILEINFO closed, open;
    SHGetFileInfo((folder + "nested").c_str(), 0, &closed, sizeof closed, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    SHGetFileInfo((folder + "nested").c_str(), 0, &open, sizeof open, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
    EXPECT_GE(closed.iIcon, 1);
    EXPECT_NE(open.iIcon, closed.iIcon);
    SHFILEINFO withIcon;
    ASSERT_EQ(SHGetFileInfo((folder + "doc.pdf").c_str(), 0, &withIcon, sizeof withIcon, SHGFI_ICON | SHGFI_LARGEICON), 1u);
    SIZE size{};
    ASSERT_TRUE(GetIconSize(withIcon.hIcon, size));
    EXPECT_EQ(size.cx, 32);
    EXPECT_TRUE(DestroyIcon(withIcon.hIcon));
    EXPECT_EQ(withIcon.iIcon, first.iIcon);
}

TEST(ShellFileInfoTest, MissingIconsFallBackAlongTheNamesThenToTheGenericOnes) {
    {
        win::SystemImageLists lists(FileTypes::System().Icons());
        EXPECT_EQ(lists.IndexOf({"x-parch-no-such-icon"}, win::GenericIcon::Document), 0);
        EXPECT_EQ(lists.IndexOf({"x-parch-no-such-icon"}, win::GenericIcon::Folder), 1);
        const int image = lists.IndexOf({"image-x-generic"}, win::GenericIcon::Document);
        EXPECT_GT(image, 1);
        EXPECT_EQ(lists.IndexOf({"x-parch-no-such-icon", "image-x-generic"}, win::GenericIcon::Document), image);
        EXPECT_EQ(ImageList_GetImageCount(lists.Small()), 3);
    }
    // A theme that has nothing: the generic icons are our drawn ones.
    IconThemes none({}, "x-parch-no-theme");
    win::SystemImageLists lists(none);
    EXPECT_EQ(lists.IndexOf({"text-x-generic"}, win::GenericIcon::Document), 0);
    EXPECT_EQ(ImageList_GetImageCount(lists.Large()), 2);
    for (auto generic : {win::GenericIcon::Document, win::GenericIcon::Folder}) {
        HICON drawn = win::CreateGenericShellIcon(generic, 32);
        IconImage image;
        ASSERT_TRUE(GetIconImage(drawn, image));
        DestroyIcon(drawn);
        std::string why;
        EXPECT_TRUE(SamePicture(ListPicture(lists.Large(), static_cast<int>(generic)), {32, 32, image.color}, why)) << why;
        const std::uint32_t centre = image.color[16 * 32 + 16], corner = image.color[0];
        EXPECT_EQ(centre >> 24, 255u);
        EXPECT_EQ(corner >> 24, 0u);
        const unsigned r = (centre >> 16) & 0xFF, b = centre & 0xFF;
        if (generic == win::GenericIcon::Document) {
            EXPECT_EQ(centre & 0xFFFFFF, 0xFFFFFFu);  // paper
        } else {
            EXPECT_TRUE(r > 200 && b < 120) << std::hex << centre;  // a yellow folder
        }
    }
}

// A list of files drawn as a shell list shows them: small and large icon, name, type.
TEST(ShellFileInfoTest, ListOfFilesDrawsWithSystemIcons) {
    const std::string& folder = ShellFixtureFolder();
    const std::vector<std::string> names{"nested", "emptydir", "doc.pdf", "notes.txt", "pic.png", "photo.jpg",
                                         "page.html", "archive.zip", "letter.odt", "run.sh", "blob.bin",
                                         "link-to-folder", ".hidden.txt", "fifo.pdf"};
    const int rowHeight = 36, width = 520;
    test::Target target(width, rowHeight * static_cast<int>(names.size() + 1), 0xFFFFFFFF);
    SetBkMode(target.dc(), TRANSPARENT);
    LOGFONT look;
    look.lfHeight = -13;
    std::strncpy(look.lfFaceName, "Arial", sizeof look.lfFaceName - 1);
    HFONT font = CreateFontIndirect(&look);
    HGDIOBJ oldFont = SelectObject(target.dc(), font);
    int row = 0;
    for (const std::string& name : names) {
        SHFILEINFO info;
        const int y = row++ * rowHeight;
        HIMAGELIST small = reinterpret_cast<HIMAGELIST>(
            SHGetFileInfo((folder + name).c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME));
        ASSERT_TRUE(small) << name;
        ASSERT_TRUE(ImageList_Draw(small, info.iIcon, target.dc(), 4, y + 10, ILD_TRANSPARENT));
        ASSERT_TRUE(ImageList_Draw(win::SystemImageLists::Process().Large(), info.iIcon, target.dc(), 26, y + 2, ILD_TRANSPARENT));
        RECT nameRect{66, y, 260, y + rowHeight}, typeRect{270, y, width, y + rowHeight};
        DrawText(target.dc(), info.szDisplayName, -1, &nameRect, DT_SINGLELINE | DT_VCENTER);
        DrawText(target.dc(), info.szTypeName, -1, &typeRect, DT_SINGLELINE | DT_VCENTER);
        // The icon is there: something not white in its square.
        bool drawn = false;
        for (int dy = 0; dy < 16 && !drawn; ++dy)
            for (int dx = 0; dx < 16 && !drawn; ++dx) drawn = target.Rgb(4 + dx, y + 10 + dy) != 0xFFFFFFu;
        EXPECT_TRUE(drawn) << name;
    }
    // Last, our own drawn generic icons, for where a theme has none.
    int x = 4;
    for (auto generic : {win::GenericIcon::Document, win::GenericIcon::Folder})
        for (int size : {16, 32}) {
            HICON drawn = win::CreateGenericShellIcon(generic, size);
            EXPECT_TRUE(DrawIconEx(target.dc(), x, row * rowHeight + 2, drawn, 0, 0, 0, nullptr, DI_NORMAL));
            DestroyIcon(drawn);
            x += size + 10;
        }
    SelectObject(target.dc(), oldFont);
    DeleteObject(font);
    // Text leaves alpha 0 behind, as GDI does: the picture is made opaque to be looked at.
    BITMAP bits{};
    GetObject(target.bitmap(), sizeof bits, &bits);
    auto* pixels = static_cast<std::uint32_t*>(bits.bmBits);
    for (int i = 0; i < target.width() * target.height(); ++i) pixels[i] |= 0xFF000000u;
    if (const char* pictures = std::getenv("PARCH_SAVE_PICTURES")) {
        EXPECT_TRUE(SavePng(target.bitmap(), std::string(pictures) + "/shell-file-list.png"));
    }
}

}  // namespace
}  // namespace parch
