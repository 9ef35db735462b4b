#include "pdf/core/ScrivletXRefRebuild.h"

#include <algorithm>

#include "pdf/core/ScrivletParser.h"

namespace parch {

namespace {

constexpr auto npos = std::string_view::npos;
constexpr std::int64_t kMaxGeneration = 65535;

bool IsRegular(char c) { return !IsPDFWhiteSpace(c) && !IsPDFDelimiter(c) && c != '}'; }

// An unsigned integer of at most 10 digits, -1 otherwise.
std::int64_t IntegerValue(std::string_view word) {
    if (word.empty() || word.size() > 10) return -1;
    std::int64_t value = 0;
    for (char c : word) {
        if (!IsDecimalDigit(c)) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Where a literal string starting at `open` ends (just after its closing parenthesis), with
// nested parentheses and backslash escapes; npos when it never closes.
std::size_t EndOfLiteralString(std::string_view data, std::size_t open) {
    std::int64_t depth = 0;
    for (std::size_t p = open; p < data.size(); ++p) {
        const char c = data[p];
        if (c == '\\') {
            ++p;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return p + 1;
        }
    }
    return npos;
}

// A header found, with what its dictionary said.
struct Header {
    TPDFScannedObject Object;
    bool Catalog = false;
    bool ObjectStream = false;
};

// The single pass. Tokens are read left to right; nothing recurses, every jump moves forward,
// and a search that once failed to find its end (a string that never closes, stream data
// without "endstream") is not tried again, so the pass stays linear in the input.
class Scanner {
public:
    Scanner(std::string_view data, std::int32_t highestNumber) : data_(data), highest_(highestNumber) {}

    void Run();
    TPDFXRefScan Result();
    // For the text of one object without its header (as object streams hold them): the text
    // counts as object 1.
    void BeginObject() { OpenHeader(1, 0, 0); }

private:
    enum class Owner { None, Object, Trailer };

    void Word(std::size_t start, std::string_view word);
    void Name(std::string_view name);
    void OpenDictionary(std::size_t position);
    void CloseDictionary(std::size_t end);
    void OpenHeader(std::int64_t number, std::int64_t generation, std::size_t offset);
    void NewOwner(Owner owner);
    void SkipStreamData();
    void ForgetNumbers() { numberCount_ = 0; }

    std::string_view data_;
    std::int32_t highest_;
    std::size_t p_ = 0;

    // The last two integers, when nothing but white space followed them.
    std::int64_t numbers_[2] = {0, 0};
    std::size_t numberStart_[2] = {0, 0};
    int numberCount_ = 0;

    // What the bytes belong to: an object after its header, or a trailer.
    Owner owner_ = Owner::None;
    bool awaitingDictionary_ = false;  // nothing has followed the header or keyword yet
    bool inOwnDictionary_ = false;     // inside the owner's top-level dictionary
    std::size_t dictionaryStart_ = 0;
    std::int64_t dictionaryDepth_ = 0;
    std::int64_t arrayDepth_ = 0;
    bool typeKey_ = false;  // the previous token was the key /Type
    bool hasRoot_ = false;
    std::string_view typeName_;

    bool stringsClose_ = true;
    bool endstreamAhead_ = true;

    std::vector<Header> headers_;
    std::size_t trailerStart_ = 0;
    std::size_t trailerEnd_ = 0;
    bool haveTrailer_ = false;
};

void Scanner::Run() {
    const std::size_t size = data_.size();
    while (p_ < size) {
        const char c = data_[p_];
        if (IsPDFWhiteSpace(c)) {
            ++p_;
            continue;
        }
        if (c == '%') {
            ForgetNumbers();
            const std::size_t end = data_.find_first_of("\r\n", p_);
            p_ = end == npos ? size : end;
            continue;
        }
        if (c == '(') {
            ForgetNumbers();
            awaitingDictionary_ = false;
            typeKey_ = false;
            // Strings only count inside an object: a stray parenthesis between objects must not
            // hide the objects after it.
            std::size_t end = npos;
            if (stringsClose_ && owner_ != Owner::None) {
                end = EndOfLiteralString(data_, p_);
                if (end == npos) stringsClose_ = false;
            }
            p_ = end == npos ? p_ + 1 : end;
            continue;
        }
        if (c == '<' && p_ + 1 < size && data_[p_ + 1] == '<') {
            OpenDictionary(p_);
            p_ += 2;
            continue;
        }
        if (c == '>' && p_ + 1 < size && data_[p_ + 1] == '>') {
            p_ += 2;
            CloseDictionary(p_);
            continue;
        }
        if (c == '/') {
            const std::size_t start = ++p_;
            while (p_ < size && IsRegular(data_[p_])) ++p_;
            Name(data_.substr(start, p_ - start));
            continue;
        }
        if (!IsRegular(c)) {
            ForgetNumbers();
            awaitingDictionary_ = false;
            typeKey_ = false;
            if (c == '[') ++arrayDepth_;
            if (c == ']' && arrayDepth_ > 0) --arrayDepth_;
            ++p_;
            continue;
        }
        const std::size_t start = p_;
        while (p_ < size && IsRegular(data_[p_])) ++p_;
        Word(start, data_.substr(start, p_ - start));
    }
}

void Scanner::Word(std::size_t start, std::string_view word) {
    const std::int64_t value = IntegerValue(word);
    if (value >= 0) {
        awaitingDictionary_ = false;
        typeKey_ = false;
        if (numberCount_ == 2) {
            numbers_[0] = numbers_[1];
            numberStart_[0] = numberStart_[1];
            numberCount_ = 1;
        }
        numbers_[numberCount_] = value;
        numberStart_[numberCount_] = start;
        ++numberCount_;
        return;
    }
    const bool header = word == "obj" && numberCount_ == 2;
    const std::int64_t number = numbers_[0];
    const std::int64_t generation = numbers_[1];
    const std::size_t offset = numberStart_[0];
    ForgetNumbers();
    awaitingDictionary_ = false;
    typeKey_ = false;
    if (header) {
        OpenHeader(number, generation, offset);
    } else if (word == "trailer") {
        NewOwner(Owner::Trailer);
    } else if (word == "endobj") {
        NewOwner(Owner::None);
    } else if (word == "stream" && owner_ == Owner::Object) {
        SkipStreamData();
    }
}

void Scanner::Name(std::string_view name) {
    ForgetNumbers();
    awaitingDictionary_ = false;
    const bool key = inOwnDictionary_ && dictionaryDepth_ == 1 && arrayDepth_ == 0;
    if (key && typeKey_) typeName_ = name;
    typeKey_ = key && !typeKey_ && name == "Type";
    if (key && name == "Root") hasRoot_ = true;
}

void Scanner::OpenDictionary(std::size_t position) {
    ForgetNumbers();
    typeKey_ = false;
    if (awaitingDictionary_) {
        awaitingDictionary_ = false;
        inOwnDictionary_ = true;
        dictionaryStart_ = position;
        dictionaryDepth_ = 0;
        arrayDepth_ = 0;
    }
    ++dictionaryDepth_;
}

void Scanner::CloseDictionary(std::size_t end) {
    ForgetNumbers();
    awaitingDictionary_ = false;
    typeKey_ = false;
    if (dictionaryDepth_ > 0) --dictionaryDepth_;
    if (!inOwnDictionary_ || dictionaryDepth_ != 0) return;
    inOwnDictionary_ = false;
    const bool crossReferenceStream = owner_ == Owner::Object && typeName_ == "XRef";
    if (hasRoot_ && (owner_ == Owner::Trailer || crossReferenceStream)) {
        trailerStart_ = dictionaryStart_;
        trailerEnd_ = end;
        haveTrailer_ = true;
    }
    if (owner_ == Owner::Object && !headers_.empty()) {
        headers_.back().Catalog = typeName_ == "Catalog";
        headers_.back().ObjectStream = typeName_ == "ObjStm";
    }
}

void Scanner::OpenHeader(std::int64_t number, std::int64_t generation, std::size_t offset) {
    const bool valid = number > 0 && number <= highest_ && generation <= kMaxGeneration;
    if (!valid || headers_.size() >= kMaxScannedHeaders) {
        // Bytes of an object we do not keep: their dictionary must not be taken for another's.
        NewOwner(Owner::None);
        return;
    }
    Header header;
    header.Object.ObjNum = static_cast<std::int32_t>(number);
    header.Object.Gen = static_cast<std::int32_t>(generation);
    header.Object.Offset = static_cast<std::int64_t>(offset);
    headers_.push_back(header);
    NewOwner(Owner::Object);
}

// A new header, trailer or "endobj" ends whatever came before, damaged or not.
void Scanner::NewOwner(Owner owner) {
    owner_ = owner;
    awaitingDictionary_ = owner != Owner::None;
    inOwnDictionary_ = false;
    dictionaryDepth_ = 0;
    arrayDepth_ = 0;
    typeKey_ = false;
    hasRoot_ = false;
    typeName_ = {};
}

// After "stream" and its line end, the data run to "endstream"; they may hold anything.
void Scanner::SkipStreamData() {
    std::size_t p = p_;
    while (p < data_.size() && (data_[p] == ' ' || data_[p] == '\t' || data_[p] == '\f' || data_[p] == 0)) ++p;
    if (p >= data_.size() || (data_[p] != '\r' && data_[p] != '\n') || !endstreamAhead_) return;
    const std::size_t end = data_.find("endstream", p);
    if (end == npos) {
        endstreamAhead_ = false;
        return;
    }
    p_ = end + 9;
}

TPDFXRefScan Scanner::Result() {
    TPDFXRefScan scan;
    scan.HighestNumber = highest_;
    if (haveTrailer_) {
        scan.TrailerOffset = static_cast<std::int64_t>(trailerStart_);
        scan.TrailerText = std::string(data_.substr(trailerStart_, trailerEnd_ - trailerStart_));
    }
    // Headers are in file order: of equal numbers the last one is kept.
    std::stable_sort(headers_.begin(), headers_.end(),
                     [](const Header& a, const Header& b) { return a.Object.ObjNum < b.Object.ObjNum; });
    std::int64_t catalogOffset = -1;
    for (std::size_t i = 0; i < headers_.size(); ++i) {
        if (i + 1 < headers_.size() && headers_[i + 1].Object.ObjNum == headers_[i].Object.ObjNum) continue;
        const Header& kept = headers_[i];
        scan.Objects.push_back(kept.Object);
        if (kept.ObjectStream) scan.ObjectStreams.push_back(kept.Object.ObjNum);
        if (kept.Catalog && kept.Object.Offset > catalogOffset) {
            catalogOffset = kept.Object.Offset;
            scan.CatalogNumber = kept.Object.ObjNum;
            scan.CatalogGen = kept.Object.Gen;
        }
    }
    return scan;
}

}  // namespace

TPDFXRefScan ScanForObjects(std::string_view data, std::int32_t highestNumber) {
    Scanner scanner(data, highestNumber);
    scanner.Run();
    return scanner.Result();
}

TPDFObjectStreamIndex ReadObjectStreamIndex(std::string_view decoded, std::int64_t first, std::int64_t count) {
    TPDFObjectStreamIndex index;
    if (first <= 0 || count <= 0) return index;
    const std::size_t size = decoded.size();
    const std::string_view header = decoded.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(first, static_cast<std::int64_t>(size))));
    std::size_t p = 0;
    auto nextInteger = [&]() -> std::int64_t {
        while (p < header.size() && IsPDFWhiteSpace(header[p])) ++p;
        const std::size_t start = p;
        while (p < header.size() && IsRegular(header[p])) ++p;
        return IntegerValue(header.substr(start, p - start));
    };
    // Each pair takes at least four bytes, so the header bounds the count as well.
    std::vector<std::int64_t> starts;
    while (static_cast<std::int64_t>(index.Numbers.size()) < count) {
        const std::int64_t number = nextInteger();
        const std::int64_t offset = nextInteger();
        if (number < 0 || offset < 0 || number > INT32_MAX) break;
        index.Numbers.push_back(static_cast<std::int32_t>(number));
        starts.push_back(std::min<std::int64_t>(first + offset, static_cast<std::int64_t>(size)));
    }
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::int64_t end = i + 1 < starts.size() ? std::max(starts[i], starts[i + 1]) : static_cast<std::int64_t>(size);
        Scanner scanner(decoded.substr(static_cast<std::size_t>(starts[i]), static_cast<std::size_t>(end - starts[i])), 1);
        scanner.BeginObject();
        scanner.Run();
        if (scanner.Result().CatalogNumber == 1) index.CatalogIndex = static_cast<std::int32_t>(i);
    }
    return index;
}

void AddObjectStreamContents(TPDFXRefScan& scan, const std::map<std::int32_t, TPDFObjectStreamIndex>& contents) {
    auto find = [](const std::vector<TPDFScannedObject>& objects, std::int32_t number) -> const TPDFScannedObject* {
        const auto found = std::lower_bound(objects.begin(), objects.end(), number,
                                            [](const TPDFScannedObject& object, std::int32_t n) { return object.ObjNum < n; });
        return found != objects.end() && found->ObjNum == number ? &*found : nullptr;
    };
    std::int64_t catalogOffset = -1;
    if (const TPDFScannedObject* catalog = find(scan.Objects, scan.CatalogNumber)) catalogOffset = catalog->Offset;
    std::vector<TPDFScannedObject> added;
    std::vector<TPDFScannedObject> catalogs;
    for (const auto& [stream, index] : contents) {
        const TPDFScannedObject* holder = find(scan.Objects, stream);
        if (!holder || holder->Compressed) continue;  // object streams are never compressed themselves
        for (std::size_t i = 0; i < index.Numbers.size(); ++i) {
            const std::int32_t number = index.Numbers[i];
            if (number <= 0 || number > scan.HighestNumber || number == stream) continue;
            if (scan.Objects.size() + added.size() >= kMaxScannedHeaders) break;
            TPDFScannedObject object;
            object.ObjNum = number;
            object.Offset = holder->Offset;
            object.Compressed = true;
            object.StreamObjNum = stream;
            object.StreamIndex = static_cast<std::int32_t>(i);
            added.push_back(object);
            if (static_cast<std::int32_t>(i) == index.CatalogIndex) catalogs.push_back(object);
        }
    }
    // Every definition, direct or compressed, ordered by number and then by place in the file;
    // the last of each number stands.
    std::vector<TPDFScannedObject> all = std::move(scan.Objects);
    all.insert(all.end(), added.begin(), added.end());
    std::stable_sort(all.begin(), all.end(), [](const TPDFScannedObject& a, const TPDFScannedObject& b) {
        return a.ObjNum != b.ObjNum ? a.ObjNum < b.ObjNum : a.Offset < b.Offset;
    });
    scan.Objects.clear();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (i + 1 == all.size() || all[i + 1].ObjNum != all[i].ObjNum) scan.Objects.push_back(all[i]);

    // A catalog that stands (it is its number's last definition) and comes after the one known.
    for (const TPDFScannedObject& catalog : catalogs) {
        const TPDFScannedObject* kept = find(scan.Objects, catalog.ObjNum);
        if (!kept || !kept->Compressed || kept->StreamObjNum != catalog.StreamObjNum ||
            kept->StreamIndex != catalog.StreamIndex || catalog.Offset <= catalogOffset)
            continue;
        catalogOffset = catalog.Offset;
        scan.CatalogNumber = catalog.ObjNum;
        scan.CatalogGen = 0;
    }
}

}  // namespace parch
