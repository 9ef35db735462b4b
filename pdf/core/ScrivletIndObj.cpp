#include "pdf/core/ScrivletIndObj.h"

#include "pdf/core/ScrivletParser.h"

namespace parch {

namespace {


bool IsBlankByte(char c) { return c == 0 || c == 9 || c == 12 || c == ' '; }

}  // namespace

bool FindStreamData(std::string_view text, std::size_t dictionaryEnd, std::int64_t length,
                    std::size_t& start, std::size_t& count) {
    if (length < 0 || dictionaryEnd > text.size() || text.size() - dictionaryEnd < 13) return false;
    const std::size_t keyword = text.find("stream", dictionaryEnd);
    if (keyword == std::string_view::npos) return false;
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
    if (found == std::string_view::npos) return false;
    count = static_cast<std::size_t>(length) + (found - q);
    if (start + count > text.size()) count = text.size() - start;
    return true;
}

TPDFObject* TPDFIndObj::GetObject() {
    if (!Loaded && (!Loader || !Loader->LoadObject(*this))) return nullptr;
    if (!Decrypted && Loader) Loader->DecryptObject(*this);
    return Obj;
}

}  // namespace parch
