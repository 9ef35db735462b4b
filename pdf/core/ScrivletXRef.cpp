#include "pdf/core/ScrivletXRef.h"

#include <algorithm>

#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletFilters.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch {

namespace {


std::int32_t ToInt32(std::string_view text) {
    const std::int64_t value = StrToInt64DefA(TrimA(text), 0);
    return (value < INT32_MIN || value > INT32_MAX) ? 0 : static_cast<std::int32_t>(value);
}

bool IsLineBreakStart(char c) { return c == '\r' || c == '\n'; }

// After "stream": NUL, TAB, FF and blanks, then CR LF, CR or LF. std::string_view::npos when the line end is
// missing.
std::size_t DataStart(std::string_view text, std::size_t afterKeyword) {
    std::size_t p = afterKeyword;
    while (p < text.size() && (text[p] == 0 || text[p] == 9 || text[p] == 12 || text[p] == ' ')) ++p;
    if (p >= text.size() || !IsLineBreakStart(text[p])) return std::string_view::npos;
    if (text[p] == '\r' && p + 1 < text.size() && text[p + 1] == '\n') return p + 2;
    return p + 1;
}

// Skips a run of digits; npos when there is none.
std::size_t AfterDigits(std::string_view text, std::size_t p) {
    const std::size_t start = p;
    while (p < text.size() && IsDecimalDigit(text[p])) ++p;
    return p == start ? std::string_view::npos : p;
}

std::size_t AfterWhiteSpace(std::string_view text, std::size_t p) {
    const std::size_t start = p;
    while (p < text.size() && IsPDFWhiteSpace(text[p])) ++p;
    return p == start ? std::string_view::npos : p;
}

// The position after "xref" or after the "obj" of "N G obj" when the token at p opens a
// section like that; npos otherwise. Whether an object is a cross-reference stream is the
// stream reader's to tell.
std::size_t SectionKeywordEnd(std::string_view text, std::size_t p) {
    const auto endsToken = [text](std::size_t q) { return q >= text.size() || IsPDFWhiteSpace(text[q]); };
    if (text.substr(p, 4) == "xref") return endsToken(p + 4) ? p + 4 : std::string_view::npos;
    std::size_t q = AfterDigits(text, p);
    if (q != std::string_view::npos) q = AfterWhiteSpace(text, q);
    if (q != std::string_view::npos) q = AfterDigits(text, q);
    if (q != std::string_view::npos) q = AfterWhiteSpace(text, q);
    if (q == std::string_view::npos || text.substr(q, 3) != "obj") return std::string_view::npos;
    return q + 3;
}

}  // namespace

std::string_view TPDFXRefReader::ReadBytes(std::int64_t start, std::int64_t count) const {
    if (start < 0) start = 0;
    if (count <= 0 || start >= size_) return {};
    if (start < base_) {
        reachedBeforeTail_ = true;
        return {};
    }
    count = std::min(count, size_ - start);
    return data_.substr(static_cast<std::size_t>(start - base_), static_cast<std::size_t>(count));
}

std::int64_t TPDFXRefReader::FindBackwards(std::string_view pattern, std::int64_t before) const {
    if (before <= 0) return -1;
    const std::int64_t searched = std::min(before, size_) - base_;
    const std::size_t found =
        searched <= 0 ? std::string_view::npos : data_.substr(0, static_cast<std::size_t>(searched)).rfind(pattern);
    if (found == std::string_view::npos) {
        if (base_ > 0) reachedBeforeTail_ = true;
        return -1;
    }
    return base_ + static_cast<std::int64_t>(found);
}

std::int64_t TPDFXRefReader::FindForwards(std::string_view pattern, std::int64_t from) const {
    from = std::max<std::int64_t>(from, 0);
    if (from < base_) {
        reachedBeforeTail_ = true;
        from = base_;
    }
    if (from >= size_) return -1;
    const std::size_t found = data_.find(pattern, static_cast<std::size_t>(from - base_));
    return found == std::string_view::npos ? -1 : base_ + static_cast<std::int64_t>(found);
}

char TPDFXRefReader::ByteAt(std::int64_t offset) const {
    if (offset < 0 || offset >= size_) return 0;
    if (offset < base_) {
        reachedBeforeTail_ = true;
        return 0;
    }
    return data_[static_cast<std::size_t>(offset - base_)];
}

std::int64_t TPDFXRefReader::NextNumber(std::int64_t& p) const {
    while (p < size_ && !IsDecimalDigit(ByteAt(p))) {
        const char c = ByteAt(p);
        if (c != ' ' && c != '\r' && c != '\n' && c != '\t' && c != '\f' && c != 0) return -1;
        ++p;
    }
    std::int64_t value = -1;
    while (p < size_ && IsDecimalDigit(ByteAt(p))) {
        value = (value < 0 ? 0 : value) * 10 + (ByteAt(p) - '0');
        if (value > INT32_MAX) value = INT32_MAX;
        ++p;
    }
    return value;
}

std::int64_t TPDFXRefReader::FindXRefOffset() const {
    const std::int64_t size = size_;
    std::int64_t marker = -1;
    const std::string_view tail = ReadBytes(size - 10, 10);
    const std::size_t cut = tail.find("%%E");
    if (cut != std::string_view::npos && ReadBytes(size - static_cast<std::int64_t>(tail.size()) + static_cast<std::int64_t>(cut), 5) != "%%EOF")
        marker = FindBackwards("%%E", size);
    else
        marker = FindBackwards("%%EOF", size);
    // A file cut just before its end marker still names its cross references.
    if (marker < 0) marker = size;

    const std::int64_t keyword = FindBackwards("startxref", marker);
    if (keyword < 0) return 0;
    const std::int64_t textStart = keyword + 9;
    TScrivletStringList lines;
    lines.SetText(ReadBytes(textStart, marker - textStart));
    std::int64_t result = 0;
    for (int i = 0; i < lines.GetCount(); ++i) {
        std::string line = TrimA(lines.Get(i));
        const std::size_t comment = line.find('%');
        if (comment != std::string::npos) line = TrimA(line.substr(0, comment));
        const std::int64_t value = StrToInt64DefA(line, 0);
        if (value > 0) result = value;
    }
    return result;
}

bool TPDFXRefReader::ReadXRefAt(std::int64_t offset) {
    // /Prev chains are followed in a loop; only /XRefStm nests.
    for (;;) {
        // The offset startxref names is taken as it stands: when it is wrong the tables are
        // damaged, and rebuilding them finds the newest objects, where searching on from it
        // could settle on an older section.
        const bool namedByStartXRef = visited_.empty();
        // A chain that returns to a section already read has nothing more to give.
        if (!visited_.insert(offset).second) return true;
        if (static_cast<int>(visited_.size()) > kMaxSections) return false;
        if (OnSection) OnSection(offset);

        std::int64_t previous = -1;
        std::int64_t tried = -1;
        std::int64_t found = -1;
        bool read = ReadSectionNear(offset, previous, tried);
        if (!read && !namedByStartXRef) read = ReadSectionAhead(offset, tried, previous, found);
        if (!read || found >= 0) {
            if (OnSection) OnSection(-offset);
        }
        if (!read) return false;
        // The objects before it end where the section starts, not where its offset points.
        if (found >= 0 && OnSection) OnSection(found);
        if (previous < 0) return true;
        offset = previous;
    }
}

bool TPDFXRefReader::ReadSectionNear(std::int64_t offset, std::int64_t& previous, std::int64_t& tried) {
    const std::int64_t windowStart = offset < 10 ? 0 : offset - 10;
    const std::string_view window = ReadBytes(windowStart, 40);
    std::size_t xref = window.find("xref");
    while (xref != std::string_view::npos && xref > 0 && window[xref - 1] == 't') xref = window.find("xref", xref + 1);
    const std::size_t obj = window.find(" obj");

    bool read = false;
    if (xref == std::string_view::npos && obj != std::string_view::npos) {
        tried = windowStart + static_cast<std::int64_t>(obj) + 4;
        read = ReadXRefStream(tried, previous);
    } else if (xref != std::string_view::npos && (obj == std::string_view::npos || obj > xref)) {
        tried = windowStart + static_cast<std::int64_t>(xref) + 4;
        read = ReadXRefTable(tried, previous);
    }
    if (read) sectionsRead_.insert(tried);
    return read;
}

bool TPDFXRefReader::ReadSectionAhead(std::int64_t offset, std::int64_t tried, std::int64_t& previous,
                                      std::int64_t& found) {
    const std::int64_t start = std::max<std::int64_t>(offset, 0);
    const std::string_view window = ReadBytes(start, kSectionSearchWindow);
    int candidates = 0;
    std::size_t p = 0;
    while (p < window.size() && candidates < kMaxSectionCandidates) {
        if (IsPDFWhiteSpace(window[p])) {
            ++p;
            continue;
        }
        if (window[p] == '%') {
            while (p < window.size() && window[p] != '\r' && window[p] != '\n') ++p;
            continue;
        }
        // A token starts here: "xref" or an object header "N G obj" begin a section.
        const std::size_t afterKeyword = SectionKeywordEnd(window, p);
        if (afterKeyword != std::string_view::npos) {
            const std::int64_t position = start + static_cast<std::int64_t>(afterKeyword);
            if (position != tried && !sectionsRead_.count(position)) {
                ++candidates;
                const bool table = window[p] == 'x';
                if (table ? ReadXRefTable(position, previous) : ReadXRefStream(position, previous)) {
                    sectionsRead_.insert(position);
                    found = start + static_cast<std::int64_t>(p);
                    return true;
                }
                previous = -1;
            }
        }
        while (p < window.size() && !IsPDFWhiteSpace(window[p]) && window[p] != '%') ++p;
    }
    return false;
}

bool TPDFXRefReader::ReadXRefTable(std::int64_t position, std::int64_t& previous) {
    std::int64_t p = position;
    // Subsections until the trailer.
    for (;;) {
        const std::string_view header = ReadBytes(p, 20);
        if (header.empty() || header.substr(0, 3).find('%') != std::string_view::npos || header.find("trailer") != std::string_view::npos) break;
        std::int64_t q = p;
        const std::int64_t first = NextNumber(q);
        const std::int64_t count = first < 0 ? -1 : NextNumber(q);
        if (first < 0 || count <= 0) break;
        // At least one byte after the count, then up to the first entry.
        ++q;
        while (q < size_ && !IsDecimalDigit(ByteAt(q))) ++q;
        p = q;

        std::string entries(ReadBytes(p, count * 20));
        entries += "trailer";
        if (OnEntryCount) OnEntryCount(static_cast<std::int64_t>(entries.size() / 18));
        std::size_t j = 0;
        for (std::int64_t number = first; number < first + count; ++number) {
            if (j + 18 > entries.size() - 7) break;  // announced beyond the data
            const std::string_view entry = std::string_view(entries).substr(j, 18);
            if (OnEntry)
                OnEntry(static_cast<std::int32_t>(number), ToInt32(entry.substr(0, 10)),
                        ToInt32(entry.substr(11, 5)), entry[17]);
            j += 18;
            while (j < entries.size() && (entries[j] == ' ' || entries[j] == '\r' || entries[j] == '\n')) ++j;
        }
        p += static_cast<std::int64_t>(j);
    }

    const std::int64_t trailer = FindForwards("trailer", p);
    if (trailer < 0) return false;
    std::string_view text = ReadBytes(trailer, 2048).substr(7);
    if (text.find("<<") == std::string_view::npos || text.find(">>") == std::string_view::npos) return false;
    TPDFStructure structure;
    const TPDFObject* parsed = ParseObject(structure, text);
    if (parsed->Kind != kPDFKindDictionary) return false;
    const auto* dictionary = static_cast<const TPDFDictionary*>(parsed);
    if (OnTrailer) OnTrailer(dictionary->ToText());

    // The stream's result does not decide this section's.
    if (const TPDFNumeric* stream = AsNumber(dictionary->GetValue("XRefStm")); stream && nesting_ < kMaxNesting) {
        ++nesting_;
        ReadXRefAt(stream->GetInteger());
        --nesting_;
    }
    if (const TPDFNumeric* prev = AsNumber(dictionary->GetValue("Prev"))) previous = std::max<std::int64_t>(prev->GetInteger(), 0);
    return true;
}

bool TPDFXRefReader::ReadXRefStream(std::int64_t position, std::int64_t& previous) {
    const std::string_view window = ReadBytes(position, size_);
    TPDFStructure structure;
    std::int64_t end = 0;
    TPDFObject* parsed = ParseObjectAt(structure, window, end);
    if (parsed->Kind != kPDFKindDictionary) return false;
    auto* dictionary = static_cast<TPDFDictionary*>(parsed);
    if (dictionary->GetTypeName() != "XRef" || !AsNumber(dictionary->GetValue("Size"))) return false;
    const std::int64_t size = AsNumber(dictionary->GetValue("Size"))->GetInteger();

    std::vector<std::pair<std::int64_t, std::int64_t>> subsections;
    const TPDFObject* index = dictionary->GetValue("Index");
    if (index && index->Kind == kPDFKindArray) {
        const auto* items = static_cast<const TPDFArray*>(index);
        auto numberAt = [items](int i) -> std::int64_t {
            const TPDFNumeric* n = AsNumber(items->GetItem(i));
            return n ? n->GetInteger() : 0;
        };
        for (int i = 0; i + 1 < items->GetCount(); i += 2) subsections.emplace_back(numberAt(i), numberAt(i + 1));
    } else {
        subsections.emplace_back(0, size);
    }
    const TPDFNumeric* previousNumber = AsNumber(dictionary->GetValue("Prev"));
    const std::int64_t prev = previousNumber ? previousNumber->GetInteger() : 0;

    std::int64_t widths[3] = {0, 0, 0};
    const TPDFObject* w = dictionary->GetValue("W");
    const bool haveWidths = w && w->Kind == kPDFKindArray && static_cast<const TPDFArray*>(w)->GetCount() >= 3;
    if (haveWidths)
        for (int i = 0; i < 3; ++i) {
            const TPDFNumeric* n = AsNumber(static_cast<const TPDFArray*>(w)->GetItem(i));
            widths[i] = n ? n->GetInteger() : 0;
            if (widths[i] < 0 || widths[i] > 8) widths[i] = 0;
        }

    // The "stream" keyword after the dictionary; any stray ">>" before it is passed over.
    std::string decoded;
    const std::size_t keyword = window.find("stream", static_cast<std::size_t>(std::max<std::int64_t>(end, 0)));
    const std::size_t dataStart = keyword == std::string_view::npos ? std::string_view::npos : DataStart(window, keyword + 6);
    const TPDFNumeric* length = AsNumber(dictionary->GetValue("Length"));
    if (haveWidths && dataStart != std::string_view::npos && length && length->GetInteger() > 0) {
        TPDFStream* stream = structure.NewStream({}, false);
        stream->SetDictionary(dictionary);
        stream->Data = std::string(ReadBytes(position + static_cast<std::int64_t>(dataStart), length->GetInteger()));
        // Every entry announced, plus a predictor's tag byte per row.
        constexpr auto kLimit = static_cast<std::int64_t>(kMaxDecodedSize);
        std::int64_t announced = 0;
        for (const auto& [first, count] : subsections) announced = std::min(announced + std::clamp<std::int64_t>(count, 0, kLimit), kLimit);
        const std::int64_t rowWidth = widths[0] + widths[1] + widths[2] + 1;
        try {
            decoded = GetDecodedData(*stream, static_cast<std::size_t>(std::min(announced * rowWidth, kLimit)));
        } catch (const Exception&) {
            decoded.clear();  // a damaged stream gives no entries
        }
    }

    const std::int64_t entryWidth = widths[0] + widths[1] + widths[2];
    std::size_t p = 0;
    auto field = [&](std::int64_t width) -> std::int32_t {
        std::uint32_t value = 0;
        for (std::int64_t i = 0; i < width; ++i) value = (value << 8) | static_cast<std::uint8_t>(decoded[p++]);
        return static_cast<std::int32_t>(value);
    };
    if (OnEntryCount && entryWidth > 0) OnEntryCount(static_cast<std::int64_t>(decoded.size()) / entryWidth);
    for (const auto& [first, count] : subsections) {
        if (entryWidth <= 0) break;
        for (std::int64_t i = 0; i < count; ++i) {
            if (p + static_cast<std::size_t>(entryWidth) > decoded.size()) break;  // beyond the data
            const std::int64_t number = first + i;
            const std::int32_t type = widths[0] == 0 ? 1 : field(widths[0]);
            const std::int32_t second = field(widths[1]);
            const std::int32_t third = field(widths[2]);
            if (number < 0 || number > INT32_MAX || !OnEntry) continue;
            const auto n = static_cast<std::int32_t>(number);
            switch (type) {
                case 0: OnEntry(n, second, third, 'f'); break;
                case 1: OnEntry(n, second, widths[2] == 0 ? 0 : third, 'n'); break;
                case 2: OnEntry(n, second, third, 'c'); break;
                default: OnEntry(n, 0, 0, ' '); break;
            }
        }
    }

    if (OnTrailer) OnTrailer(dictionary->ToText());
    if (prev > 0) previous = prev;
    return true;
}

}  // namespace parch
