#include <gtest/gtest.h>

#include <sstream>

#include "ShellFixture.h"
#include "platform/os/FileTypes.h"
#include "platform/os/FindFiles.h"

namespace parch {
namespace {

using test::CommandOutput;
using test::ShellFixtureFolder;
using test::AskGio;
using test::GioAnswer;


// Every fixture, against gio. Files whose type gio finds by their content only (no name
// rule: run.sh is one by name, "data.unknownext" is sniffed) are covered by our text/binary
// sniff; gio's full magic table is not read here, so a file with a magic-only type would
// differ and none such is in the fixture.
TEST(FileTypesTest, ContentTypeAndIconNamesEqualGio) {
    const std::string& folder = ShellFixtureFolder();
    const FileTypes& types = FileTypes::System();
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile(folder + "*", data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int compared = 0;
    do {
        std::string path = folder + data.cFileName;
        GioAnswer gio = AskGio(path);
        ASSERT_FALSE(gio.contentType.empty()) << path;
        std::string ours = types.ContentTypeOf(path);
        EXPECT_EQ(ours, gio.contentType) << data.cFileName;
        EXPECT_EQ(types.Describe(ours, false).iconNames, gio.icons) << data.cFileName;
        ++compared;
    } while (FindNextFile(search, data));
    FindClose(search);
    EXPECT_GE(compared, 25);
}

TEST(FileTypesTest, TypeNamesAndIconFiles) {
    const FileTypes& types = FileTypes::System();
    struct Case {
        const char* type;
        const char* name;
    } cases[] = {{"application/pdf", "PDF document"}, {"text/plain", "plain text document"},
                 {"inode/directory", "folder"}, {"application/acrobat", "PDF document"}};
    for (const auto& c : cases) {
        FileTypeInfo info = types.Describe(c.type);
        EXPECT_EQ(info.typeName, c.name) << c.type;
        ASSERT_TRUE(info.smallIcon && info.largeIcon) << c.type;
        EXPECT_NE(info.smallIcon->find("/16x16/"), std::string::npos) << *info.smallIcon;
        EXPECT_NE(info.largeIcon->find("/32x32/"), std::string::npos) << *info.largeIcon;
        EXPECT_EQ(info.smallIcon->substr(info.smallIcon->size() - 4), ".png");
    }
    // A type no theme knows still gets the generic document icon.
    EXPECT_TRUE(types.Describe("application/x-parch-nothing").smallIcon.has_value());
}

TEST(FileTypesTest, SniffingTellsTextFromBinary) {
    struct Case {
        std::string head;
        const char* type;
    } cases[] = {{"", "text/plain"}, {"hello\r\n\tworld", "text/plain"}, {"caf\xC3\xA9", "text/plain"},
                 {std::string("a\0b", 3), "application/octet-stream"}, {"\xFF\xFE", "application/octet-stream"},
                 {"cut \xE6\x97", "text/plain"}};
    for (const auto& c : cases) EXPECT_EQ(SniffTextOrBinary(c.head), c.type) << c.head;
}

TEST(MimeDatabaseTest, GlobRulesWeightsCaseAndAliases) {
    MimeDatabase db;
    db.AddGlobs2("# comment\n50:text/x-c++src:*.C:cs\n50:text/x-csrc:*.c\n50:application/x-tar:*.tar\n"
                 "60:application/x-compressed-tar:*.tar.gz\n50:application/gzip:*.gz\n"
                 "10:text/x-makefile:makefile\n50:text/x-readme:README*\nbroken line\n60:a/b\n");
    db.AddAliases("application/x-gzip application/gzip\n");
    db.AddSubclasses("application/x-compressed-tar application/x-gzip\n");
    struct Case {
        const char* name;
        std::vector<std::string> types;
    } cases[] = {{"x.C", {"text/x-c++src"}}, {"x.c", {"text/x-csrc"}}, {"a.TAR.GZ", {"application/x-compressed-tar"}},
                 {"Makefile", {"text/x-makefile"}}, {"README.md", {"text/x-readme"}}, {"none", {}}};
    for (const auto& c : cases) EXPECT_EQ(db.TypesForFileName(c.name), c.types) << c.name;
    EXPECT_TRUE(db.IsSubclassOf("application/x-compressed-tar", "application/gzip"));
    EXPECT_FALSE(db.IsSubclassOf("application/gzip", "application/x-compressed-tar"));
    db.AddSubclasses("a/x a/y\na/y a/x\n");  // a cycle ends
    EXPECT_FALSE(db.IsSubclassOf("a/x", "a/z"));
}

std::string MagicRule(std::string_view head, std::string_view value, std::string_view tail = "") {
    std::string rule(head);
    rule += static_cast<char>(value.size() >> 8);
    rule += static_cast<char>(value.size() & 0xFF);
    rule += value;
    rule += tail;
    return rule + "\n";
}

TEST(MimeDatabaseTest, MagicWithNestingMasksRangesAndPriorities) {
    MimeDatabase db;
    std::string magic = std::string("MIME-Magic\0\n", 12) +
                        "[50:application/pdf]\n" + MagicRule(">0=", "%PDF-", "+1024") +
                        "[60:x/nested]\n" + MagicRule(">0=", "AB") + MagicRule("1>2=", "CD") +
                        MagicRule("1>2=", "EF") + MagicRule(">10=", "ZZ") +
                        "[40:x/masked]\n" + MagicRule(">0=", "\x50", std::string("&\xF0", 2)) +
                        "[80:x/word]\n" + MagicRule(">0=", std::string("\x12\x34", 2), "~2") +
                        "[bad header\n";
    db.AddMagic(magic);
    struct Case {
        std::string head;
        const char* type;
    } cases[] = {{"%PDF-1.4", "application/pdf"}, {"junk then %PDF-1.7", "application/pdf"},
                 {"ABCD", "x/nested"}, {"ABEF", "x/nested"}, {"ABXX", ""}, {"XXXXXXXXXXZZ", "x/nested"},
                 {"\x5F", "x/masked"}, {std::string("\x34\x12", 2), "x/word"}, {"", ""}};
    for (const auto& c : cases) EXPECT_EQ(db.TypeFromMagic(c.head), c.type) << c.head;
    // Whatever is cut off or malformed is skipped without reading past the end.
    for (std::size_t cut = 0; cut < magic.size(); cut += 3) MimeDatabase().AddMagic(magic.substr(0, cut));
}

TEST(MimeDatabaseTest, CommentIsTheUntranslatedOne) {
    EXPECT_EQ(CommentFromMimeXml("<mime-type><comment xml:lang=\"de\">PDF-Dokument</comment>"
                                 "<comment>PDF &amp; more</comment></mime-type>"),
              "PDF & more");
    EXPECT_EQ(CommentFromMimeXml("<comment-x>no</comment-x>"), "");
    EXPECT_EQ(CommentFromMimeXml("<comment>unterminated"), "");
}

}  // namespace
}  // namespace parch
