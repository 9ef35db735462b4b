#pragma once
// The freedesktop shared-mime-info database as the desktop reads it: file-name globs with
// weights and case-sensitivity (globs2), aliases, subclasses, icon names and the English type
// comments ("PDF document"), read from the mime folders of the XDG data directories.

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

class MimeDatabase {
public:
    MimeDatabase() = default;
    // Reads each "<data dir>/mime" folder; earlier folders take precedence, as in XDG_DATA_DIRS.
    static MimeDatabase FromMimeFolders(const std::vector<std::string>& mimeFolders);
    // The mime folders of XDG_DATA_HOME and XDG_DATA_DIRS (with their documented defaults).
    static std::vector<std::string> DefaultMimeFolders();

    MimeDatabase(MimeDatabase&& other) noexcept;
    MimeDatabase& operator=(MimeDatabase&&) = delete;

    // Readers of the database's text files; malformed lines are skipped.
    void AddGlobs2(std::string_view text);
    void AddAliases(std::string_view text);
    void AddSubclasses(std::string_view text);
    void AddGenericIcons(std::string_view text);
    void AddIcons(std::string_view text);
    // The compiled "magic" file (byte patterns at offsets, with masks, ranges and nesting).
    void AddMagic(std::string_view bytes);
    // Where the per-type XML files (for comments) are looked up, in order.
    void AddTypeFolder(std::string folder);

    // The types whose globs match the file name best: literal names first, then the
    // highest weight, then the longest pattern. Several when the name alone cannot decide;
    // none when no glob matches.
    std::vector<std::string> TypesForFileName(std::string_view fileName) const;

    // The type whose magic matches the first bytes of a file best (highest priority first);
    // "" when none does.
    std::string TypeFromMagic(std::string_view head) const;

    std::string Unalias(std::string_view type) const;
    std::vector<std::string> Parents(std::string_view type) const;
    bool IsSubclassOf(std::string_view type, std::string_view base) const;

    // Icon names in the desktop's order: the type's own icon when one is listed, the type
    // with "/" turned into "-", the generic icon ("<media>-x-generic" by default), then the
    // "-symbolic" form of each.
    std::vector<std::string> IconNames(std::string_view type) const;

    // The English comment of the type, "" when none is known.
    std::string Comment(std::string_view type) const;

private:
    struct Glob {
        std::string pattern;
        std::string type;
        int weight = 50;
        bool caseSensitive = false;
    };

    static bool IsLiteral(std::string_view pattern);
    static bool IsSimpleSuffix(std::string_view pattern);

    void Reindex() const;  // under indexMutex_

    struct MagicRule {
        int indent = 0;
        std::size_t offset = 0;
        std::size_t range = 1;
        std::size_t wordSize = 1;
        std::string value;
        std::string mask;  // empty: all bits
        bool Matches(std::string_view head) const;
    };
    struct MagicSection {
        int priority = 50;
        std::string type;
        std::vector<MagicRule> rules;  // in file order; nesting by indent
        bool Matches(std::string_view head) const;
    };
    std::vector<MagicSection> magic_;

    std::vector<Glob> globs_;
    // Literal names and "*<literal>" suffixes by their text (lower-cased unless case-sensitive),
    // so a name is typed by a few look-ups instead of a walk over every glob.
    mutable std::mutex indexMutex_;
    mutable bool indexed_ = false;
    mutable std::multimap<std::string, std::size_t, std::less<>> literalIndex_;
    mutable std::multimap<std::string, std::size_t, std::less<>> suffixIndex_;
    mutable std::vector<std::size_t> otherGlobs_;
    std::map<std::string, std::string, std::less<>> aliases_;
    std::map<std::string, std::vector<std::string>, std::less<>> parents_;
    std::map<std::string, std::string, std::less<>> genericIcons_;
    std::map<std::string, std::string, std::less<>> icons_;
    std::vector<std::string> typeFolders_;
    mutable std::mutex commentMutex_;
    mutable std::map<std::string, std::string, std::less<>> comments_;
};

// The English (untranslated) <comment> of a shared-mime-info type XML file, with its
// character entities decoded; "" when there is none.
std::string CommentFromMimeXml(std::string_view xml);

}  // namespace parch
