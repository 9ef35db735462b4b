#include "pdf/core/ScrivletIndObj.h"

#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch {

namespace {

constexpr auto npos = std::string_view::npos;

bool IsNumberByte(char c) { return IsDecimalDigit(c) || c == '.'; }

// Skips to the next run of digits and points, and takes it.
std::string_view NextNumberText(std::string_view text, std::size_t& p) {
    while (p < text.size() && !IsNumberByte(text[p])) ++p;
    const std::size_t start = p;
    while (p < text.size() && IsNumberByte(text[p])) ++p;
    return text.substr(start, p - start);
}

bool IsBlankByte(char c) { return c == 0 || c == 9 || c == 12 || c == ' '; }

// "obj" directly followed by an opening delimiter counts as the keyword alone.
std::string_view NextKeyword(std::string_view text, std::size_t& p) {
    while (p < text.size() && IsPDFWhiteSpace(text[p])) ++p;
    const std::string_view rest = text.substr(p);
    for (std::string_view glued : {"obj(", "obj<<", "obj[", "obj/"})
        if (rest.substr(0, glued.size()) == glued) {
            p += 3;
            return "obj";
        }
    const std::size_t start = p;
    while (p < text.size() && !IsPDFWhiteSpace(text[p])) ++p;
    return text.substr(start, p - start);
}

}  // namespace

bool FindStreamData(std::string_view text, std::size_t dictionaryEnd, std::int64_t length,
                    std::size_t& start, std::size_t& count) {
    if (length < 0 || dictionaryEnd > text.size() || text.size() - dictionaryEnd < 13) return false;
    const std::size_t keyword = text.find("stream", dictionaryEnd);
    if (keyword == npos) return false;
    std::size_t p = keyword + 6;
    while (p < text.size() && IsBlankByte(text[p])) ++p;
    if (p >= text.size() || (text[p] != '\r' && text[p] != '\n')) return false;
    p += (text[p] == '\r' && p + 1 < text.size() && text[p + 1] == '\n') ? 2 : 1;
    start = p;

    const auto size = static_cast<std::int64_t>(text.size());
    std::int64_t end = static_cast<std::int64_t>(start) + length;
    if (end > size) {
        // The announced length runs past the object: the data end before the last
        // "endstream", without the line end in front of it.
        std::int64_t marker = size - 21;
        for (std::int64_t q = size - 1; q >= 0 && q >= size - 20; --q)
            if (text.substr(static_cast<std::size_t>(q), 9) == "endstream") {
                marker = q;
                break;
            }
        if (marker < static_cast<std::int64_t>(start)) return false;
        std::int64_t dataEnd = marker;
        if (dataEnd > static_cast<std::int64_t>(start) && text[static_cast<std::size_t>(dataEnd - 1)] == '\n') --dataEnd;
        if (dataEnd > static_cast<std::int64_t>(start) && text[static_cast<std::size_t>(dataEnd - 1)] == '\r') --dataEnd;
        count = static_cast<std::size_t>(dataEnd - static_cast<std::int64_t>(start));
        return true;
    }

    std::size_t q = static_cast<std::size_t>(end);
    if (q < text.size() && IsBlankByte(text[q])) ++q;
    if (q < text.size() && text[q] == 'n' && q > 0) --q;
    if (q < text.size() && text[q] == '\r') ++q;
    if (q < text.size() && text[q] == '\n') ++q;
    const std::size_t found = text.find("endstream", q);
    if (found == npos) return false;
    count = static_cast<std::size_t>(length) + (found - q);
    if (start + count > text.size()) count = text.size() - start;
    return true;
}

bool TPDFIndObj::HeaderMatches(std::string_view text, std::size_t& position) const {
    const std::string_view number = NextNumberText(text, position);
    const std::string_view generation = NextNumberText(text, position);
    return number == std::to_string(ObjNum) && generation == std::to_string(Gen);
}

TPDFObject* TPDFIndObj::GetObject() {
    if (!Loaded) {
        // Each level may resolve a /Length or an object stream; a chain this deep is damage.
        if (Document->LoadDepth >= TPDFDocument::kMaxLoadDepth) return nullptr;
        ++Document->LoadDepth;
        try {
            Load();
        } catch (...) {
            --Document->LoadDepth;
            throw;
        }
        --Document->LoadDepth;
    }
    if (!Decrypted) Decrypt();
    return Obj;
}

void TPDFIndObj::Load() {
    Loaded = true;
    TPDFStructure& structure = Document->Structure;
    if (Obj) Obj->Release();
    Obj = nullptr;
    std::string text = Document->FetchObjectText(*this);
    if (Compressed) Decrypted = true;  // its object stream was decrypted as a whole

    std::size_t p = 0;
    bool numbersMatch = HeaderMatches(text, p);
    if (!numbersMatch && !Compressed) {
        // An offset a few bytes late: the header lies just before it.
        text = Document->FetchShiftedObjectText(*this);
        p = 0;
        numbersMatch = !text.empty() && HeaderMatches(text, p);
    }
    TPDFObject* object = nullptr;
    if (!numbersMatch || NextKeyword(text, p) != "obj") {
        object = structure.NewNull();
    } else {
        const std::string_view rest = std::string_view(text).substr(p);
        std::int64_t end = 0;
        object = structure.ParseObjectAt(rest, end);
        if (object->Kind == kPDFKindDictionary && rest.find("stream") != npos) {
            auto* dictionary = static_cast<TPDFDictionary*>(object);
            std::int64_t length = -1;
            TPDFObject* lengthValue = dictionary->GetValue("Length");
            if (lengthValue && lengthValue->Kind == kPDFKindIndRef) {
                TPDFIndObj* target = Document->FindIndObj(static_cast<TPDFIndRef*>(lengthValue)->RefObjectNumber);
                lengthValue = target ? target->GetObject() : nullptr;
            }
            if (lengthValue && lengthValue->Kind == kPDFKindNumeric)
                length = static_cast<TPDFNumeric*>(lengthValue)->GetInteger();
            std::size_t start = 0;
            std::size_t count = 0;
            if (length >= 0 && FindStreamData(rest, static_cast<std::size_t>(end), length, start, count)) {
                TPDFStream* stream = structure.NewStream({}, false);
                stream->SetDictionary(dictionary);
                stream->SetRawData(std::string(rest.substr(start, count)));
                object = stream;
            }
        }
    }
    object->SetIndirect(ObjNum, Gen);
    Obj = object;
}

void TPDFIndObj::Decrypt() {
    if (!Obj || Decrypted) return;
    if (Document->EncryptionState() != kSupportedEncryption) return;
    const TPDFSecurityHandler& security = Document->Security;
    if (!security.UserPasswordOk && !security.OwnerPasswordOk) return;
    Decrypted = true;
    const std::string key = security.ObjectKey(ObjNum, Gen);
    if (!key.empty()) security.DecryptObject(key, Obj);
}

}  // namespace parch
