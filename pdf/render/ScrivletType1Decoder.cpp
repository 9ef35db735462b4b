// Loading a Type 1 font program: the FontFile data is cut into its three parts, the cleartext
// becomes the font dictionary and built-in encoding, and the eexec section gives the
// subroutines and the still encrypted charstrings by glyph name.

#include "pdf/render/ScrivletType1Decoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/ScrivletFontConst.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"

namespace parch {

struct TPDFType1Decoder::Caches {
    std::map<std::string, TScrivletStringList, std::less<>> commands;
    std::map<std::string, TPDFGenericShape, std::less<>> shapes;
};

namespace {

constexpr std::uint16_t kType1EexecKey = 55665;
constexpr std::uint16_t kType1CharStringKey = 4330;
constexpr std::size_t kType1EexecDroppedBytes = 4;

bool Type1IsWhiteSpace(char c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

bool Type1IsDelimiter(char c) {
    return c == '%' || c == '(' || c == ')' || c == '/' || c == '<' || c == '>' || c == '[' ||
           c == ']' || c == '{' || c == '}';
}

bool Type1EndsWord(char c) { return Type1IsWhiteSpace(c) || Type1IsDelimiter(c); }

bool Type1IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The decryption of the Type 1 font format; the first `dropped` plain bytes are left out.
std::string Type1Decrypt(std::string_view bytes, std::uint16_t key, std::size_t dropped) {
    std::string plain;
    if (bytes.size() > dropped) plain.reserve(bytes.size() - dropped);
    std::uint16_t r = key;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto cipher = static_cast<std::uint8_t>(bytes[i]);
        auto clear = static_cast<std::uint8_t>(cipher ^ (r >> 8));
        r = static_cast<std::uint16_t>((cipher + r) * 52845u + 22719u);
        if (i >= dropped) plain.push_back(static_cast<char>(clear));
    }
    return plain;
}

int Type1HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Hexadecimal text to bytes, white space skipped; ends at the first other byte.
std::string Type1HexToBytes(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() / 2);
    int high = -1;
    for (char c : text) {
        if (Type1IsWhiteSpace(c)) continue;
        if (!IsHexDigit(c)) break;
        if (high < 0) {
            high = Type1HexValue(c);
        } else {
            bytes.push_back(static_cast<char>(high * 16 + Type1HexValue(c)));
            high = -1;
        }
    }
    return bytes;
}

// The eexec section as binary bytes: a cleartext tail ending in "eexec" and one separator is
// skipped, and a section written as hexadecimal text (its first four bytes hex digits) is
// converted.
std::string Type1EexecBinary(std::string_view section) {
    std::size_t marker = section.find("eexec");
    if (marker != std::string_view::npos) section.remove_prefix(std::min(section.size(), marker + 6));
    std::size_t start = 0;
    while (start < section.size() && Type1IsWhiteSpace(section[start])) ++start;
    std::string_view body = section.substr(start);
    bool hex = body.size() >= 4 && std::all_of(body.begin(), body.begin() + 4, IsHexDigit);
    return hex ? Type1HexToBytes(body) : std::string(section);
}

// A non-negative decimal integer token, or -1.
std::int64_t Type1TokenCount(const std::string& token) {
    if (token.empty() || token.size() > 12) return -1;
    std::int64_t value = 0;
    for (char c : token) {
        if (!IsDecimalDigit(c)) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A decimal integer token with an optional sign, or `fallback`.
std::int64_t Type1TokenInteger(const std::string& token, std::int64_t fallback) {
    if (!token.empty() && token[0] == '-') {
        std::int64_t magnitude = Type1TokenCount(token.substr(1));
        return magnitude < 0 ? fallback : -magnitude;
    }
    std::int64_t value = Type1TokenCount(token);
    return value < 0 ? fallback : value;
}

// Reads the PostScript tokens of a font program. The names of the RD, ND and NP procedures are
// read through references, as the program defines them while it is read.
class Type1ProgramScanner {
public:
    Type1ProgramScanner(std::string_view text, const std::string& rd, const std::string& nd,
                        const std::string& np)
        : text_(text), procedureNames_{&rd, &nd, &np} {}

    bool Next(std::string& token) {
        SkipWhiteSpaceAndComments();
        if (pos_ >= text_.size()) return false;
        char c = text_[pos_];
        if (c == '[' || c == ']' || c == '{' || c == '}') return TakeToken(token, 1);
        for (const std::string* name : procedureNames_)
            if (StartsWholeWord(*name)) return TakeToken(token, name->size());
        if (c == '-' || c == '.' || IsDecimalDigit(c)) return ReadNumber(token);
        if (c == '(') return ReadString(token);
        if (c == '<') return ReadHex(token);
        if (c == '/') return ReadName(token);
        if (Type1IsLetter(c)) {
            std::size_t end = WordEnd(pos_);
            token = "/ps:" + std::string(text_.substr(pos_, end - pos_));
            pos_ = end;
            return true;
        }
        return false;
    }

    // Skips one separator byte and gives the next `count` bytes (fewer at the end of the text).
    std::string TakeBytes(std::int64_t count) {
        pos_ = std::min(text_.size(), pos_ + 1);
        std::size_t available = text_.size() - pos_;
        std::size_t taken = count > 0 ? static_cast<std::size_t>(std::min<std::int64_t>(
                                            count, static_cast<std::int64_t>(available)))
                                      : 0;
        std::string bytes(text_.substr(pos_, taken));
        pos_ += taken;
        return bytes;
    }

private:
    void SkipWhiteSpaceAndComments() {
        while (pos_ < text_.size()) {
            if (Type1IsWhiteSpace(text_[pos_])) {
                ++pos_;
            } else if (text_[pos_] == '%') {
                while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
            } else {
                return;
            }
        }
    }

    bool StartsWholeWord(const std::string& name) const {
        if (name.empty() || text_.compare(pos_, name.size(), name) != 0) return false;
        std::size_t after = pos_ + name.size();
        return after >= text_.size() || Type1EndsWord(text_[after]);
    }

    std::size_t WordEnd(std::size_t from) const {
        while (from < text_.size() && !Type1EndsWord(text_[from])) ++from;
        return from;
    }

    bool TakeToken(std::string& token, std::size_t length) {
        token.assign(text_.substr(pos_, length));
        pos_ += length;
        return true;
    }

    bool ReadNumber(std::string& token) {
        std::size_t end = pos_;
        bool dot = text_[end] == '.';
        ++end;
        while (end < text_.size() && (IsDecimalDigit(text_[end]) || (text_[end] == '.' && !dot))) {
            if (text_[end] == '.') dot = true;
            ++end;
        }
        return TakeToken(token, end - pos_);
    }

    bool ReadString(std::string& token) {
        int depth = 0;
        for (std::size_t i = pos_; i < text_.size(); ++i) {
            char c = text_[i];
            if (c == '\\' && i + 1 < text_.size() &&
                (text_[i + 1] == '(' || text_[i + 1] == ')' || text_[i + 1] == '\\')) {
                ++i;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                return TakeToken(token, i + 1 - pos_);
            }
        }
        return false;
    }

    bool ReadHex(std::string& token) {
        if (text_.size() - pos_ < 3) return false;
        std::size_t close = text_.find('>', pos_ + 1);
        if (close == std::string_view::npos) return false;
        token.assign(text_.substr(pos_ + 1, close - pos_ - 1));
        pos_ = close + 1;
        return true;
    }

    bool ReadName(std::string& token) {
        std::size_t end = WordEnd(pos_ + 1);
        return TakeToken(token, end - pos_);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    const std::string* procedureNames_[3];
};

bool Type1IsRDToken(const std::string& token, const std::string& rdName) {
    return token == "-|" || token == "/-|" || token == "RD" || token == "/RD" || token == "/ps:RD" ||
           (!rdName.empty() && token == rdName);
}

bool Type1IsNDToken(const std::string& token, const std::string& ndName) {
    return token == "|-" || token == "/|-" || token == "ND" || token == "/ND" || token == "/ps:ND" ||
           (!ndName.empty() && token == ndName);
}

void* Type1SubrNumberObject(std::int64_t number) {
    return reinterpret_cast<void*>(static_cast<std::intptr_t>(number));
}

// Blanks tokens from `from` up to (not including) the first one equal to `stop`; the index of
// that one, or the list's size.
std::size_t Type1BlankUpTo(std::vector<std::string>& tokens, std::size_t from, std::string_view stop) {
    std::size_t i = from;
    for (; i < tokens.size() && tokens[i] != stop; ++i) tokens[i].clear();
    return i;
}

// An Encoding built with "array", a for loop and dup ... put becomes "[ code /name ... ]".
void Type1RewriteEncodingArray(std::vector<std::string>& tokens, std::size_t encoding) {
    tokens[encoding + 1] = "[";
    std::size_t dup = Type1BlankUpTo(tokens, encoding + 2, "/ps:dup");
    for (std::size_t i = dup; i < tokens.size(); ++i) {
        if (tokens[i] == "/ps:def" || tokens[i] == "/ps:readonly") {
            tokens[i] = "]";
            return;
        }
    }
}

// The cleartext's tokens rewritten into PDF object syntax; blank tokens are left out.
void Type1RewriteClearText(std::vector<std::string>& tokens) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        std::string& token = tokens[i];
        if (token == "/ps:FontDirectory") {
            // The dict that ends the blanked run still opens the font dictionary.
            i = Type1BlankUpTo(tokens, i, "/ps:dict") - 1;
        } else if (token == "/ps:readonly" || token == "/ps:def" || token == "/ps:currentdict" ||
                   token == "/ps:currentfile" || token == "/ps:dup" || token == "/ps:put") {
            token.clear();
        } else if (token == "/ps:end") {
            token = ">>";
        } else if (token == "{") {
            token = "[";
        } else if (token == "}") {
            token = "]";
        } else if (token == "/ps:dict") {
            token.clear();
            if (i > 0) tokens[i - 1].clear();
            for (std::size_t j = i + 1; j < tokens.size(); ++j) {
                if (tokens[j] == "/ps:begin") {
                    tokens[j] = "<<";
                    break;
                }
            }
        } else if (token == "/Encoding" && i + 2 < tokens.size()) {
            if (tokens[i + 1] == "/ps:StandardEncoding")
                tokens[i + 1] = "/StandardEncoding";
            else if (tokens[i + 2] == "/ps:array")
                Type1RewriteEncodingArray(tokens, i);
        }
    }
}

// The standard glyph name of a "U+XXXX" name (the Symbol font's names): empty when the four
// digits are no hexadecimal number.
std::string UnicodeGlyphName(const std::string& name) {
    if (name.size() != 6) return {};
    std::uint32_t value = 0;
    for (std::size_t i = 2; i < 6; ++i) {
        const char c = name[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return {};
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    std::string glyphName;
    UnicodeToGlyphName(static_cast<char16_t>(value), glyphName);
    return glyphName;
}

}  // namespace

TPDFType1Decoder::TPDFType1Decoder()
    : structure_(std::make_unique<TPDFStructure>()), caches_(std::make_unique<Caches>()) {
    fontDictionary_ = structure_->NewDictionary();
    glyphNames_.SetSorted(false);
}

TPDFType1Decoder::~TPDFType1Decoder() = default;

bool TPDFType1Decoder::SplitFontFile(TPDFStream* fontFile) {
    if (!fontFile || !fontFile->StreamDict) return false;
    auto length = [&](std::string_view key) -> std::int64_t {
        const TPDFNumeric* number = AsNumber(ResolveObject(fontFile->StreamDict->GetValue(key)));
        // Capped, so that the sums below cannot overflow.
        return number ? std::clamp<std::int64_t>(number->GetInteger(), 0, std::int64_t{1} << 40) : 0;
    };
    std::int64_t length1 = length("Length1");
    std::int64_t length2 = length("Length2");
    std::int64_t length3 = length("Length3");
    if (length1 <= 0 || length2 <= 0) return false;

    std::string data = GetDecodedData(*fontFile);
    auto size = static_cast<std::int64_t>(data.size());
    auto part = [&](std::int64_t offset, std::int64_t count) {
        offset = std::min(offset, size);
        return data.substr(static_cast<std::size_t>(offset),
                           static_cast<std::size_t>(std::min(count, size - offset)));
    };
    clearText_ = part(0, length1);
    encryptedPart_ = part(length1, length2);
    trailer_ = part(length1 + length2, length3);
    return length1 + length2 + length3 <= size;
}

std::vector<std::string> TPDFType1Decoder::TokenizeFontProgram(const std::string& text) {
    std::vector<std::string> tokens;
    Type1ProgramScanner scanner(text, rdName_, ndName_, npName_);
    std::string token, previous;
    bool privateMode = false, subroutineMode = false, charStringMode = false;
    int procedureDepth = 0;
    std::string remembered;
    std::int64_t declaredSubrs = 0;
    std::int64_t subrNumber = -1;

    while (scanner.Next(token)) {
        if (token == "/Private") privateMode = true;
        if (privateMode) {
            if (token.size() > 1 && token[0] == '/' && token.compare(0, 4, "/ps:") != 0) {
                remembered = token.substr(1);
            } else if (token == "{") {
                ++procedureDepth;
            } else if (token == "}") {
                procedureDepth = std::max(0, procedureDepth - 1);
            } else if (procedureDepth > 0 && !remembered.empty()) {
                if (token == "/ps:readstring") rdName_ = remembered;
                if (token == "/ps:def") ndName_ = remembered;
                if (token == "/ps:put") {
                    npName_ = remembered;
                    privateMode = false;
                }
            }
        }

        if (token == "/Subrs") {
            tokens.push_back(token);
            std::string count;
            declaredSubrs = scanner.Next(count) ? std::max<std::int64_t>(0, Type1TokenCount(count)) : 0;
            tokens.push_back(count);
            subroutineMode = true;
            charStringMode = false;
            previous = count;
            continue;
        }
        if (token == "/CharStrings") {
            charStringMode = true;
            subroutineMode = false;
        }

        if (subroutineMode) {
            if (token == "/ps:dup") {
                tokens.push_back(token);
                std::string number;
                subrNumber = scanner.Next(number) ? Type1TokenInteger(number, -1) : -1;
                previous = number;
                continue;
            }
            if (Type1IsRDToken(token, rdName_)) {
                std::string bytes = scanner.TakeBytes(Type1TokenCount(previous));
                std::int64_t number = subrNumber >= 0 ? subrNumber : subroutines_.GetCount();
                subroutines_.AddObject(bytes, Type1SubrNumberObject(number));
                subrNumber = -1;
                previous = token;
                if (declaredSubrs > 0 && subroutines_.GetCount() >= declaredSubrs) subroutineMode = false;
                continue;
            }
            if (Type1IsNDToken(token, ndName_)) subroutineMode = false;
        }

        tokens.push_back(token);
        if (charStringMode && Type1IsRDToken(token, rdName_)) {
            tokens.push_back(scanner.TakeBytes(Type1TokenCount(previous)));
            previous = tokens.back();
            continue;
        }
        previous = token;
    }
    return tokens;
}

bool TPDFType1Decoder::ParseClearText() {
    GetEncodingGlyphNames(kStandardEncoding, encoding_);
    std::vector<std::string> tokens = TokenizeFontProgram(clearText_);
    Type1RewriteClearText(tokens);

    std::string text;
    for (const std::string& token : tokens) {
        if (token.empty()) continue;
        text += token;
        text += ' ';
    }
    TPDFDictionary* dictionary = AsDictionary(ParseObject(*structure_, text));
    if (!dictionary) return false;
    if (fontDictionary_) structure_->RemoveObject(fontDictionary_);
    fontDictionary_ = dictionary;

    if (const TPDFArray* encoding = AsArray(fontDictionary_->GetValue("Encoding"))) {
        std::int64_t code = 0;
        for (int i = 0; i < encoding->GetCount(); ++i) {
            TPDFObject* item = encoding->GetItem(i);
            if (const TPDFNumeric* number = AsNumber(item)) {
                code = number->GetInteger();
            } else if (item && item->Kind == kPDFKindName && code >= 0 && code <= 255) {
                encoding_[static_cast<std::size_t>(code)] = static_cast<TPDFName*>(item)->NameBytes;
            }
        }
    }
    return true;
}

bool TPDFType1Decoder::ParsePrivatePart() {
    std::string plain = Type1Decrypt(Type1EexecBinary(encryptedPart_), kType1EexecKey, kType1EexecDroppedBytes);
    subroutines_.Clear();
    std::vector<std::string> tokens = TokenizeFontProgram(plain);
    IndexSubroutines();

    lenIV_ = 4;
    auto lenIV = std::find(tokens.begin(), tokens.end(), "/lenIV");
    if (lenIV != tokens.end() && lenIV + 1 != tokens.end()) {
        // A negative lenIV marks charstrings stored without encryption.
        std::int64_t value = Type1TokenInteger(*(lenIV + 1), 4);
        lenIV_ = value < 0 ? -1 : static_cast<int>(std::min<std::int64_t>(value, 65535));
    }

    glyphNames_.Clear();
    charStrings_.Clear();
    auto charStrings = std::find(tokens.begin(), tokens.end(), "/CharStrings");
    if (charStrings == tokens.begin() || charStrings == tokens.end()) return true;
    std::size_t i = static_cast<std::size_t>(charStrings - tokens.begin()) + 1;
    std::int64_t remaining = i < tokens.size() ? Type1TokenCount(tokens[i]) : 0;
    for (; remaining > 0 && i + 2 < tokens.size(); ++i) {
        if (!Type1IsRDToken(tokens[i + 1], rdName_)) continue;
        const std::string& name = tokens[i - 1];
        glyphNames_.Add(name.empty() ? name : name.substr(1));
        charStrings_.Add(tokens[i + 2]);
        --remaining;
        i += 2;  // past the bytes, which may read like an RD token themselves
    }
    return true;
}

void TPDFType1Decoder::IndexSubroutines() {
    subrIndex_.clear();
    for (int i = 0; i < subroutines_.GetCount(); ++i) {
        auto number = reinterpret_cast<std::intptr_t>(subroutines_.GetObject(i));
        if (number >= INT32_MIN && number <= INT32_MAX) subrIndex_.push_back({static_cast<std::int32_t>(number), i});
    }
    std::stable_sort(subrIndex_.begin(), subrIndex_.end(),
                     [](const SubrIndexEntry& a, const SubrIndexEntry& b) { return a.number < b.number; });
}

std::string TPDFType1Decoder::DecryptCharString(const std::string& bytes) const {
    if (lenIV_ < 0) return bytes;
    return Type1Decrypt(bytes, kType1CharStringKey, static_cast<std::size_t>(lenIV_));
}

std::string TPDFType1Decoder::GetCharString(const std::string& glyphName) {
    currentFontDict_ = -1;
    int index = glyphNames_.IndexOf(glyphName);
    if (index < 0 && glyphName.compare(0, 4, "GID:") == 0) {
        std::string digits = glyphName.substr(4);
        index = glyphNames_.IndexOf("CID:" + digits);
        if (index < 0) {
            // A remainder that is no number names no glyph.
            std::int64_t number = Type1TokenCount(digits);
            index = number >= 0 && number < charStrings_.GetCount() ? static_cast<int>(number) : -1;
        }
    }
    if (index < 0 && glyphName.compare(0, 2, "U+") == 0) {
        const std::string standardName = UnicodeGlyphName(glyphName);
        if (!standardName.empty()) index = glyphNames_.IndexOf(standardName);
    }
    if (index < 0 || index >= charStrings_.GetCount()) return {};
    if (static_cast<std::size_t>(index) < fontDictSelect_.size())
        currentFontDict_ = fontDictSelect_[static_cast<std::size_t>(index)];
    return charStrings_.Get(index);
}

std::string TPDFType1Decoder::GetSubr(std::int32_t number) const {
    auto found = std::lower_bound(subrIndex_.begin(), subrIndex_.end(), number,
                                  [](const SubrIndexEntry& entry, std::int32_t wanted) { return entry.number < wanted; });
    if (found == subrIndex_.end() || found->number != number) return {};
    return DecryptCharString(subroutines_.Get(found->position));
}

std::string TPDFType1Decoder::GetLocalSubr(std::int32_t index) const {
    const TScrivletStringList* list = &subroutines_;
    if (currentFontDict_ >= 0 && static_cast<std::size_t>(currentFontDict_) < perDictSubroutines_.size() &&
        perDictSubroutines_[static_cast<std::size_t>(currentFontDict_)])
        list = perDictSubroutines_[static_cast<std::size_t>(currentFontDict_)].get();
    return index >= 0 && index < list->GetCount() ? list->Get(index) : std::string();
}

std::string TPDFType1Decoder::GetGlobalSubr(std::int32_t index) const {
    return index >= 0 && index < globalSubroutines_.GetCount() ? globalSubroutines_.Get(index) : std::string();
}

TPDFObject* TPDFType1Decoder::ResolveObject(TPDFObject* object) const {
    if (!object || object->Kind != kPDFKindIndRef) return object;
    auto* reference = static_cast<TPDFIndRef*>(object);
    return OnFindObject ? OnFindObject(reference) : reference->Resolve();
}

const TScrivletStringList* TPDFType1Decoder::CachedCommands(const std::string& glyphName) const {
    auto found = caches_->commands.find(glyphName);
    return found == caches_->commands.end() ? nullptr : &found->second;
}

void TPDFType1Decoder::CacheCommands(const std::string& glyphName) {
    caches_->commands.try_emplace(glyphName, commandList_);
}

const TPDFGenericShape* TPDFType1Decoder::CachedShape(const std::string& glyphName) const {
    auto found = caches_->shapes.find(glyphName);
    return found == caches_->shapes.end() ? nullptr : &found->second;
}

TPDFGenericShape& TPDFType1Decoder::AddCachedShape(const std::string& glyphName) {
    return caches_->shapes.try_emplace(glyphName).first->second;
}

}  // namespace parch
