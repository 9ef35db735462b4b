#include "platform/os/MimeDatabase.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "platform/os/Files.h"

namespace parch {

namespace mimedb {

constexpr std::size_t kMaxDatabaseFile = 16u << 20;
constexpr std::size_t kMaxTypeXml = 4u << 20;

std::string AsciiLowerText(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// Calls line(text) for each non-empty line that is no comment.
template <typename Fn>
void ForEachLine(std::string_view text, Fn line) {
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view current = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
        if (current.empty() || current[0] == '#') continue;
        line(current);
    }
}

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) break;
        text = text.substr(at + 1);
    }
    return parts;
}

bool MatchesCase(std::string_view name, std::string_view pattern) {
    // Globs may hold "[...]" classes; fnmatch-style matching, case taken as given.
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        bool matched = false;
        std::size_t nextP = p;
        if (p < pattern.size()) {
            char c = pattern[p];
            if (c == '*') {
                starP = p++;
                starN = n;
                continue;
            }
            if (c == '?') {
                matched = true;
                nextP = p + 1;
            } else if (c == '[') {
                std::size_t close = pattern.find(']', p + 2);
                if (close != std::string_view::npos) {
                    std::string_view set = pattern.substr(p + 1, close - p - 1);
                    bool negate = !set.empty() && (set[0] == '!' || set[0] == '^');
                    if (negate) set.remove_prefix(1);
                    bool in = false;
                    for (std::size_t i = 0; i < set.size(); ++i) {
                        if (i + 2 < set.size() && set[i + 1] == '-') {
                            in = in || (name[n] >= set[i] && name[n] <= set[i + 2]);
                            i += 2;
                        } else {
                            in = in || name[n] == set[i];
                        }
                    }
                    matched = in != negate;
                    nextP = close + 1;
                } else {
                    matched = name[n] == '[';
                    nextP = p + 1;
                }
            } else {
                matched = name[n] == c;
                nextP = p + 1;
            }
        }
        if (matched) {
            p = nextP;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string DecodeEntities(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (auto [entity, c] : kEntities) {
                if (text.substr(i, entity.size()) == entity) {
                    out += c;
                    i += entity.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

}  // namespace mimedb

MimeDatabase::MimeDatabase(MimeDatabase&& other) noexcept
    : magic_(std::move(other.magic_)),
      globs_(std::move(other.globs_)),
      aliases_(std::move(other.aliases_)),
      parents_(std::move(other.parents_)),
      genericIcons_(std::move(other.genericIcons_)),
      icons_(std::move(other.icons_)),
      typeFolders_(std::move(other.typeFolders_)) {
    std::lock_guard guard(other.commentMutex_);
    comments_ = std::move(other.comments_);
}

void MimeDatabase::Reindex() const {
    literalIndex_.clear();
    suffixIndex_.clear();
    otherGlobs_.clear();
    for (std::size_t i = 0; i < globs_.size(); ++i) {
        const std::string& pattern = globs_[i].pattern;
        if (IsLiteral(pattern)) literalIndex_.emplace(pattern, i);
        else if (IsSimpleSuffix(pattern)) suffixIndex_.emplace(pattern.substr(1), i);
        else otherGlobs_.push_back(i);
    }
    indexed_ = true;
}

std::vector<std::string> MimeDatabase::DefaultMimeFolders() {
    std::vector<std::string> folders;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && *dataHome) folders.push_back(std::string(dataHome) + "/mime");
    else if (home && *home) folders.push_back(std::string(home) + "/.local/share/mime");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string dirs = (dataDirs && *dataDirs) ? dataDirs : "/usr/local/share:/usr/share";
    for (std::string_view dir : mimedb::SplitAt(dirs, ':'))
        if (!dir.empty()) folders.push_back(std::string(dir) + "/mime");
    return folders;
}

MimeDatabase MimeDatabase::FromMimeFolders(const std::vector<std::string>& mimeFolders) {
    MimeDatabase db;
    auto read = [](const std::string& path) {
        return ReadFileBytes(path, mimedb::kMaxDatabaseFile).value_or(std::string{});
    };
    // Later folders are read first so that the more important ones' entries come last and
    // override the maps.
    for (auto it = mimeFolders.rbegin(); it != mimeFolders.rend(); ++it) {
        std::string folder = IncludeTrailingSlash(*it);
        db.AddGlobs2(read(folder + "globs2"));
        db.AddAliases(read(folder + "aliases"));
        db.AddSubclasses(read(folder + "subclasses"));
        db.AddGenericIcons(read(folder + "generic-icons"));
        db.AddIcons(read(folder + "icons"));
        db.AddMagic(read(folder + "magic"));
    }
    for (const auto& folder : mimeFolders) db.AddTypeFolder(IncludeTrailingSlash(folder));
    return db;
}

void MimeDatabase::AddGlobs2(std::string_view text) {
    mimedb::ForEachLine(text, [&](std::string_view line) {
        auto fields = mimedb::SplitAt(line, ':');
        if (fields.size() < 3 || fields[1].empty() || fields[2].empty()) return;
        Glob glob;
        glob.weight = std::atoi(std::string(fields[0]).c_str());
        glob.type = std::string(fields[1]);
        glob.pattern = std::string(fields[2]);
        if (fields.size() >= 4)
            for (std::string_view flag : mimedb::SplitAt(fields[3], ','))
                if (flag == "cs") glob.caseSensitive = true;
        if (glob.pattern == "__NOGLOBS__") {
            std::erase_if(globs_, [&](const Glob& g) { return g.type == glob.type; });
            indexed_ = false;
            return;
        }
        if (!glob.caseSensitive) glob.pattern = mimedb::AsciiLowerText(glob.pattern);
        globs_.push_back(std::move(glob));
        indexed_ = false;
    });
}

void MimeDatabase::AddAliases(std::string_view text) {
    mimedb::ForEachLine(text, [&](std::string_view line) {
        auto fields = mimedb::SplitAt(line, ' ');
        if (fields.size() == 2 && !fields[0].empty() && !fields[1].empty())
            aliases_[std::string(fields[0])] = std::string(fields[1]);
    });
}

void MimeDatabase::AddSubclasses(std::string_view text) {
    mimedb::ForEachLine(text, [&](std::string_view line) {
        auto fields = mimedb::SplitAt(line, ' ');
        if (fields.size() != 2 || fields[0].empty() || fields[1].empty()) return;
        auto& list = parents_[std::string(fields[0])];
        if (std::find(list.begin(), list.end(), fields[1]) == list.end()) list.emplace_back(fields[1]);
    });
}

void MimeDatabase::AddGenericIcons(std::string_view text) {
    mimedb::ForEachLine(text, [&](std::string_view line) {
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0 || colon + 1 == line.size()) return;
        genericIcons_[std::string(line.substr(0, colon))] = std::string(line.substr(colon + 1));
    });
}

void MimeDatabase::AddIcons(std::string_view text) {
    mimedb::ForEachLine(text, [&](std::string_view line) {
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0 || colon + 1 == line.size()) return;
        icons_[std::string(line.substr(0, colon))] = std::string(line.substr(colon + 1));
    });
}

namespace mimedb {

constexpr std::size_t kMaxMagicOffset = 1u << 20;

// Reads a decimal number; nothing when there is none or it is too large.
std::optional<std::size_t> ReadNumber(std::string_view& text) {
    std::size_t value = 0, digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        value = value * 10 + static_cast<std::size_t>(text[digits] - '0');
        if (value > kMaxMagicOffset) return std::nullopt;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    text.remove_prefix(digits);
    return value;
}

void SkipLine(std::string_view& text) {
    std::size_t end = text.find('\n');
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
}

}  // namespace mimedb

void MimeDatabase::AddMagic(std::string_view bytes) {
    constexpr std::string_view kHeader("MIME-Magic\0\n", 12);
    if (bytes.substr(0, kHeader.size()) != kHeader) return;
    bytes.remove_prefix(kHeader.size());
    MagicSection* section = nullptr;
    while (!bytes.empty()) {
        if (bytes.front() == '[') {
            std::size_t close = bytes.find("]\n");
            std::size_t colon = bytes.find(':');
            section = nullptr;
            if (close == std::string_view::npos) return;
            if (colon < close) {
                std::string_view priority = bytes.substr(1, colon - 1);
                auto value = mimedb::ReadNumber(priority);
                if (value && priority.empty()) {
                    magic_.push_back({static_cast<int>(*value), std::string(bytes.substr(colon + 1, close - colon - 1)), {}});
                    section = &magic_.back();
                }
            }
            bytes.remove_prefix(close + 2);
            continue;
        }
        // [indent]>offset=<2-byte length><value>[&mask][~word size][+range]\n
        MagicRule rule;
        if (bytes.front() != '>') {
            auto indent = mimedb::ReadNumber(bytes);
            if (!indent || *indent > 64) {
                mimedb::SkipLine(bytes);
                continue;
            }
            rule.indent = static_cast<int>(*indent);
        }
        if (bytes.empty() || bytes.front() != '>') {
            mimedb::SkipLine(bytes);
            continue;
        }
        bytes.remove_prefix(1);
        auto offset = mimedb::ReadNumber(bytes);
        if (!offset || bytes.size() < 3 || bytes.front() != '=') {
            mimedb::SkipLine(bytes);
            continue;
        }
        rule.offset = *offset;
        std::size_t length = (static_cast<unsigned char>(bytes[1]) << 8) | static_cast<unsigned char>(bytes[2]);
        bytes.remove_prefix(3);
        if (bytes.size() < length) return;
        rule.value = std::string(bytes.substr(0, length));
        bytes.remove_prefix(length);
        if (!bytes.empty() && bytes.front() == '&') {
            if (bytes.size() < 1 + length) return;
            rule.mask = std::string(bytes.substr(1, length));
            bytes.remove_prefix(1 + length);
        }
        if (!bytes.empty() && bytes.front() == '~') {
            bytes.remove_prefix(1);
            rule.wordSize = mimedb::ReadNumber(bytes).value_or(1);
        }
        if (!bytes.empty() && bytes.front() == '+') {
            bytes.remove_prefix(1);
            rule.range = std::max<std::size_t>(1, mimedb::ReadNumber(bytes).value_or(1));
        }
        bool wellFormed = !bytes.empty() && bytes.front() == '\n';
        mimedb::SkipLine(bytes);
        if (!wellFormed || !section || length == 0) continue;
        // The file stores words big-endian; this machine reads them little-endian.
        if ((rule.wordSize == 2 || rule.wordSize == 4) && length % rule.wordSize == 0) {
            for (std::size_t i = 0; i < length; i += rule.wordSize) {
                std::reverse(rule.value.begin() + static_cast<std::ptrdiff_t>(i),
                             rule.value.begin() + static_cast<std::ptrdiff_t>(i + rule.wordSize));
                if (!rule.mask.empty())
                    std::reverse(rule.mask.begin() + static_cast<std::ptrdiff_t>(i),
                                 rule.mask.begin() + static_cast<std::ptrdiff_t>(i + rule.wordSize));
            }
        }
        section->rules.push_back(std::move(rule));
    }
}

bool MimeDatabase::MagicRule::Matches(std::string_view head) const {
    for (std::size_t start = offset; start < offset + range; ++start) {
        if (start + value.size() > head.size()) return false;
        bool equal = true;
        for (std::size_t i = 0; i < value.size() && equal; ++i) {
            auto byte = static_cast<unsigned char>(head[start + i]);
            auto want = static_cast<unsigned char>(value[i]);
            if (!mask.empty()) {
                auto bits = static_cast<unsigned char>(mask[i]);
                byte &= bits;
                want &= bits;
            }
            equal = byte == want;
        }
        if (equal) return true;
    }
    return false;
}

bool MimeDatabase::MagicSection::Matches(std::string_view head) const {
    // A rule counts when it matches and, if rules are nested below it, one of those counts.
    // Walked from the end, so each rule knows whether a child below it counted.
    std::vector<bool> childCounted(66, false);
    for (std::size_t i = rules.size(); i-- > 0;) {
        const MagicRule& rule = rules[i];
        bool hasChildren = i + 1 < rules.size() && rules[i + 1].indent > rule.indent;
        bool counts = rule.Matches(head) && (!hasChildren || childCounted[static_cast<std::size_t>(rule.indent) + 1]);
        // Children of the next rule up belong to it alone.
        childCounted[static_cast<std::size_t>(rule.indent) + 1] = false;
        if (counts) {
            if (rule.indent == 0) return true;
            childCounted[static_cast<std::size_t>(rule.indent)] = true;
        }
    }
    return false;
}

std::string MimeDatabase::TypeFromMagic(std::string_view head) const {
    const MagicSection* best = nullptr;
    for (const auto& section : magic_)
        if ((!best || section.priority > best->priority) && section.Matches(head)) best = &section;
    return best ? Unalias(best->type) : std::string{};
}

void MimeDatabase::AddTypeFolder(std::string folder) {
    typeFolders_.push_back(std::move(folder));
}

bool MimeDatabase::IsLiteral(std::string_view pattern) {
    return pattern.find_first_of("*?[") == std::string_view::npos;
}

bool MimeDatabase::IsSimpleSuffix(std::string_view pattern) {
    return pattern.size() > 1 && pattern[0] == '*' && IsLiteral(pattern.substr(1));
}

std::vector<std::string> MimeDatabase::TypesForFileName(std::string_view fileName) const {
    std::string lower = mimedb::AsciiLowerText(fileName);
    auto text = [&](const Glob& g) { return g.caseSensitive ? std::string_view(fileName) : std::string_view(lower); };
    std::vector<const Glob*> found;
    {
        std::lock_guard guard(indexMutex_);
        if (!indexed_) Reindex();
        // Literal names win over suffixes, suffixes over other globs.
        for (std::string_view key : {std::string_view(lower), fileName}) {
            auto [from, to] = literalIndex_.equal_range(key);
            for (auto it = from; it != to; ++it) {
                const Glob& g = globs_[it->second];
                if (text(g) == it->first && std::find(found.begin(), found.end(), &g) == found.end())
                    found.push_back(&g);
            }
        }
        for (std::size_t at = 0; found.empty() && at < fileName.size(); ++at) {
            // Every suffix of the name, longest first, in both cases.
            for (std::string_view candidate : {std::string_view(lower).substr(at), fileName.substr(at)}) {
                auto [from, to] = suffixIndex_.equal_range(candidate);
                for (auto it = from; it != to; ++it) {
                    const Glob& g = globs_[it->second];
                    bool fits = text(g).substr(at) == it->first;
                    if (fits && std::find(found.begin(), found.end(), &g) == found.end()) found.push_back(&g);
                }
            }
        }
        if (found.empty())
            for (std::size_t i : otherGlobs_)
                if (mimedb::MatchesCase(text(globs_[i]), globs_[i].pattern)) found.push_back(&globs_[i]);
    }
    if (found.empty()) return {};
    // A case-sensitive match is the more specific one.
    std::stable_sort(found.begin(), found.end(), [](const Glob* a, const Glob* b) {
        if (a->caseSensitive != b->caseSensitive) return a->caseSensitive;
        if (a->weight != b->weight) return a->weight > b->weight;
        return a->pattern.size() > b->pattern.size();
    });
    std::vector<std::string> types;
    for (const Glob* g : found) {
        if (g->caseSensitive != found[0]->caseSensitive || g->weight != found[0]->weight ||
            g->pattern.size() != found[0]->pattern.size())
            break;
        std::string type = Unalias(g->type);
        if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(std::move(type));
    }
    return types;
}

std::string MimeDatabase::Unalias(std::string_view type) const {
    auto it = aliases_.find(type);
    return it == aliases_.end() ? std::string(type) : it->second;
}

std::vector<std::string> MimeDatabase::Parents(std::string_view type) const {
    std::string canonical = Unalias(type);
    auto it = parents_.find(canonical);
    std::vector<std::string> result;
    if (it != parents_.end())
        for (const auto& parent : it->second) result.push_back(Unalias(parent));
    return result;
}

bool MimeDatabase::IsSubclassOf(std::string_view type, std::string_view base) const {
    std::string target = Unalias(base);
    std::vector<std::string> pending{Unalias(type)};
    std::vector<std::string> seen;
    // Subclass files may hold cycles; each type is visited once.
    while (!pending.empty()) {
        std::string current = std::move(pending.back());
        pending.pop_back();
        if (current == target) return true;
        if (std::find(seen.begin(), seen.end(), current) != seen.end()) continue;
        seen.push_back(current);
        for (auto& parent : Parents(current)) pending.push_back(std::move(parent));
    }
    return false;
}

std::vector<std::string> MimeDatabase::IconNames(std::string_view type) const {
    std::string canonical = Unalias(type);
    std::vector<std::string> names;
    if (auto it = icons_.find(canonical); it != icons_.end()) names.push_back(it->second);
    std::string dashed = canonical;
    std::replace(dashed.begin(), dashed.end(), '/', '-');
    names.push_back(dashed);
    if (auto it = genericIcons_.find(canonical); it != genericIcons_.end()) {
        names.push_back(it->second);
    } else {
        std::size_t slash = canonical.find('/');
        names.push_back(canonical.substr(0, slash) + "-x-generic");
    }
    std::size_t plain = names.size();
    for (std::size_t i = 0; i < plain; ++i) names.push_back(names[i] + "-symbolic");
    return names;
}

std::string MimeDatabase::Comment(std::string_view type) const {
    std::string canonical = Unalias(type);
    // A type name becomes a file path below; refuse anything that could leave the folder.
    if (canonical.find("..") != std::string::npos || canonical.find('/') == std::string::npos ||
        canonical.find('/') != canonical.rfind('/'))
        return {};
    std::lock_guard guard(commentMutex_);
    if (auto it = comments_.find(canonical); it != comments_.end()) return it->second;
    std::string comment;
    for (const auto& folder : typeFolders_) {
        auto xml = ReadFileBytes(folder + canonical + ".xml", mimedb::kMaxTypeXml);
        if (!xml) continue;
        comment = CommentFromMimeXml(*xml);
        if (!comment.empty()) break;
    }
    comments_.emplace(canonical, comment);
    return comment;
}

std::string CommentFromMimeXml(std::string_view xml) {
    std::size_t at = 0;
    while ((at = xml.find("<comment", at)) != std::string_view::npos) {
        std::size_t tagEnd = xml.find('>', at);
        if (tagEnd == std::string_view::npos) return {};
        std::string_view tag = xml.substr(at, tagEnd - at);
        at = tagEnd + 1;
        // "<comment>" or "<comment >" without a language is the English text.
        if (tag.size() > 8 && tag[8] != ' ' && tag[8] != '\t') continue;
        if (tag.find("xml:lang") != std::string_view::npos) continue;
        if (!tag.empty() && tag.back() == '/') return {};
        std::size_t close = xml.find("</comment>", at);
        if (close == std::string_view::npos) return {};
        return mimedb::DecodeEntities(xml.substr(at, close - at));
    }
    return {};
}

}  // namespace parch
