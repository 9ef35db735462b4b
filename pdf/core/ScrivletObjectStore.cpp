#include "pdf/core/ScrivletObjectStore.h"

#include <algorithm>
#include <map>

#include "base/SysUtils.h"

#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStreamData.h"

namespace parch {

namespace {





bool IsNumberByte(char c) { return IsDecimalDigit(c) || c == '.'; }

// Skips to the next run of digits and points, and takes it.
std::string_view NextNumberText(std::string_view text, std::size_t& p) {
    while (p < text.size() && !IsNumberByte(text[p])) ++p;
    const std::size_t start = p;
    while (p < text.size() && IsNumberByte(text[p])) ++p;
    return text.substr(start, p - start);
}

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


// Reads the two numbers at the start of the text; true when they are the entry's.
bool HeaderMatches(const TPDFIndObj& entry, std::string_view text, std::size_t& position) {
    const std::string_view number = NextNumberText(text, position);
    const std::string_view generation = NextNumberText(text, position);
    return number == std::to_string(entry.ObjNum) && generation == std::to_string(entry.Gen);
}

// Where the object stream's table lists the object: the entry's own index when the table
// agrees, else the first pair with the object's number, as writers that get the indices wrong
// still write the numbers right. -1 when the table does not list it. The table holds at least
// 2 N items.
std::int64_t PositionInObjectStream(TPDFObjectStream& header, std::int32_t number, std::int64_t index) {
    const TPDFArray& table = *header.OffsetTable;
    const auto numberAt = [&table](std::int64_t i) {
        const TPDFNumeric* value = AsNumber(table.GetItem(static_cast<int>(2 * i)));
        return value ? value->GetInteger() : -1;
    };
    if (index >= 0 && index < header.N && numberAt(index) == number) return index;
    // Built once per stream, so that many misplaced entries cost one pass.
    if (!header.PositionsIndexed) {
        header.PositionsIndexed = true;
        for (std::int64_t i = 0; i < header.N; ++i)
            if (const std::int64_t listed = numberAt(i); listed >= 0 && listed <= INT32_MAX)
                header.PositionOfNumber.emplace(static_cast<std::int32_t>(listed), static_cast<std::int32_t>(i));
    }
    const auto found = header.PositionOfNumber.find(number);
    return found == header.PositionOfNumber.end() ? -1 : found->second;
}

// Counts one nested load for as long as it runs, however it ends.
class TLoadDepthGuard {
public:
    explicit TLoadDepthGuard(int& depth) : depth_(depth) { ++depth_; }
    ~TLoadDepthGuard() { --depth_; }
    TLoadDepthGuard(const TLoadDepthGuard&) = delete;
    TLoadDepthGuard& operator=(const TLoadDepthGuard&) = delete;

private:
    int& depth_;
};

}  // namespace

TPDFObjectStore::TPDFObjectStore() {
    structure_.OnIndirectLookup = [this](TPDFIndRef*, std::int32_t number, std::int32_t) { return Lookup(number); };
    structure_.OnNewIndirectObject = [this](TPDFObject*, TPDFObject* object, std::int32_t& number,
                                            std::int32_t& generation) {
        const TPDFIndObj* entry = Add(object);
        number = entry->ObjNum;
        generation = entry->Gen;
    };
    Clear();
}

TPDFObjectStore::~TPDFObjectStore() = default;

void TPDFObjectStore::Clear() {
    objectStreams_.clear();
    entries_.clear();
    addedNumbers_.clear();
    structure_.Clear();
    trailer_ = structure_.NewDictionary();
    data_ = TPDFFileData();
    xrefEntries_.clear();
    inUseCount_ = 0;
    sectionOffsets_.clear();
    textStarts_.clear();
    textStartsCollected_ = false;
    seenNumbers_.Clear();
    loadDepth_ = 0;
    xrefChainComplete_ = false;
}

void TPDFObjectStore::SetData(TPDFFileData data) { data_ = std::move(data); }

TPDFFileData TPDFObjectStore::TakeData() {
    TPDFFileData data = std::move(data_);
    data_ = TPDFFileData();
    return data;
}

// --- Cross references ---------------------------------------------------------------------------

bool TPDFObjectStore::ReadXRef() {
    trailer_ = nullptr;
    xrefEntries_.clear();
    // A large mapped file is read from its last bytes first: the newest cross references are
    // there, and reading them through the file instead of the mapping leaves the mapping's
    // pages untouched, which is most of the cost of opening such a file. Sections found
    // further back mean reading again over the whole file.
    if (data_.Mapped() && data_.Size() > kXRefTailWindow) {
        const std::size_t tailStart = data_.Size() - kXRefTailWindow;
        const std::string tail = data_.Copy(tailStart, kXRefTailWindow);
        TPDFXRefReader reader(tail, static_cast<std::int64_t>(tailStart));
        const bool chainComplete = RunXRefReader(reader);
        if (!reader.ReachedBeforeTail() && tail.size() == kXRefTailWindow) return FinishXRef(chainComplete);
        trailer_ = nullptr;
        xrefEntries_.clear();
        sectionOffsets_.clear();
        seenNumbers_.Clear();
    }
    TPDFXRefReader reader(data_.View());
    return FinishXRef(RunXRefReader(reader));
}

bool TPDFObjectStore::RunXRefReader(TPDFXRefReader& reader) {
    reader.OnEntry = [this](std::int32_t number, std::int32_t second, std::int32_t third, char kind) {
        OnXRefEntry(number, second, third, kind);
    };
    reader.OnTrailer = [this](const std::string& text) { OnXRefTrailer(text); };
    reader.OnSection = [this](std::int64_t offset) { OnXRefSection(offset); };
    reader.OnEntryCount = [this](std::int64_t count) { OnXRefEntryCount(count); };
    return reader.ReadXRefAt(reader.FindXRefOffset());
}

bool TPDFObjectStore::FinishXRef(bool chainComplete) {
    xrefChainComplete_ = chainComplete;
    // The reader reports a trailer only for a section it read, and it stops at the first
    // section that fails, so a trailer means the newest section is in.
    const bool newestRead = trailer_ != nullptr;
    if (!trailer_) trailer_ = structure_.NewDictionary();

    if (NumberedFromOne())
        for (TPDFXRefEntry& entry : xrefEntries_) --entry.ObjNum;

    BuildObjectTable();
    return xrefChainComplete_ || newestRead;
}

// A table whose first subsection is numbered from 1 instead of 0: its first in-use entry says
// 2 but points at "1 0 obj", and /Size is one more than the entries (without free gaps) or
// equals the highest number (with them), which no correct table allows.
bool TPDFObjectStore::NumberedFromOne() const {
    const TPDFNumeric* size = AsNumber(trailer_->GetValue("Size"));
    if (xrefEntries_.empty() || xrefEntries_[0].ObjNum != 2 || !size || xrefEntries_[0].Offset() < 0) return false;
    const std::size_t offset = static_cast<std::size_t>(xrefEntries_[0].Offset());
    if (offset >= data_.Size() || data_.Copy(offset, 7) != "1 0 obj") return false;
    std::int32_t highest = 0;
    for (const TPDFXRefEntry& entry : xrefEntries_) highest = std::max(highest, entry.ObjNum);
    return size->GetInteger() == static_cast<std::int32_t>(xrefEntries_.size()) + 1 || size->GetInteger() == highest;
}

void TPDFObjectStore::OnXRefEntry(std::int32_t number, std::int32_t second, std::int32_t third, char kind) {
    if (number < 0 || number > kMaxObjectNumber || (kind != 'n' && kind != 'c') || !seenNumbers_.Take(number))
        return;
    TPDFXRefEntry entry;
    entry.ObjNum = number;
    entry.First = second;
    entry.Second = third;
    entry.Compressed = kind == 'c';
    // A negative generation takes the number, but no object answers to it.
    entry.InUse = entry.Gen() >= 0;
    xrefEntries_.push_back(entry);
}

// Sized once per section instead of grown entry by entry; never below doubling, so that many
// small sections cost no more than growing would.
void TPDFObjectStore::OnXRefEntryCount(std::int64_t count) {
    const auto wanted = xrefEntries_.size() + static_cast<std::size_t>(std::max<std::int64_t>(count, 0));
    if (wanted > xrefEntries_.capacity()) xrefEntries_.reserve(std::max(wanted, 2 * xrefEntries_.capacity()));
}

void TPDFObjectStore::OnXRefTrailer(const std::string& text) {
    if (trailer_) return;  // the newest section's trailer counts
    TPDFDictionary* dictionary = AsDictionary(ParseObject(structure_, text));
    if (!dictionary) return;
    for (std::string_view key : {"Prev", "Type", "W", "Index", "Length", "Filter"}) dictionary->RemoveKey(key);
    trailer_ = dictionary;
}

void TPDFObjectStore::OnXRefSection(std::int64_t offset) {
    if (offset >= 0) {
        sectionOffsets_.push_back(offset);
        return;
    }
    for (std::int64_t& known : sectionOffsets_)
        if (known == -offset) known = 0;
}

// Numbers are unique (the seen set); most tables arrive ascending already.
void TPDFObjectStore::BuildObjectTable() {
    const auto byNumber = [](const TPDFXRefEntry& a, const TPDFXRefEntry& b) { return a.ObjNum < b.ObjNum; };
    if (!std::is_sorted(xrefEntries_.begin(), xrefEntries_.end(), byNumber))
        std::sort(xrefEntries_.begin(), xrefEntries_.end(), byNumber);
    inUseCount_ = static_cast<std::size_t>(
        std::count_if(xrefEntries_.begin(), xrefEntries_.end(), [](const TPDFXRefEntry& entry) { return entry.InUse; }));
    entries_.clear();
    addedNumbers_.clear();
    textStarts_.clear();
    textStartsCollected_ = false;
    seenNumbers_.Clear();
}

bool TPDFObjectStore::HasPageTree() {
    TPDFDictionary* root = AsDictionary(trailer_->GetValue("Root", true));
    return root && AsDictionary(root->GetValue("Pages", true));
}

bool TPDFObjectStore::Rebuild() {
    TPDFXRefScan scan = ScanForObjects(data_.View(), kMaxObjectNumber);
    UseScannedObjects(scan);
    // Objects inside object streams are known only once their streams can be loaded.
    std::map<std::int32_t, TPDFObjectStreamIndex> contents;
    for (std::int32_t stream : scan.ObjectStreams) contents[stream] = ObjectStreamContents(stream);
    if (!contents.empty()) {
        AddObjectStreamContents(scan, contents);
        UseScannedObjects(scan);
    }
    if (!HasPageTree() && scan.CatalogNumber > 0)
        trailer_->SetValue("Root", structure_.NewIndRef(scan.CatalogNumber, scan.CatalogGen));
    return !scan.Objects.empty();
}

void TPDFObjectStore::UseScannedObjects(const TPDFXRefScan& scan) {
    seenNumbers_.Clear();
    xrefEntries_.clear();
    sectionOffsets_.clear();
    OnXRefEntryCount(static_cast<std::int64_t>(scan.Objects.size()));
    for (const TPDFScannedObject& object : scan.Objects) {
        if (object.Compressed)
            OnXRefEntry(object.ObjNum, object.StreamObjNum, object.StreamIndex, 'c');
        else
            OnXRefEntry(object.ObjNum, static_cast<std::int32_t>(object.Offset), object.Gen, 'n');
    }
    trailer_ = nullptr;
    if (!scan.TrailerText.empty()) OnXRefTrailer(scan.TrailerText);
    if (!trailer_) trailer_ = structure_.NewDictionary();
    BuildObjectTable();
}

TPDFObjectStreamIndex TPDFObjectStore::ObjectStreamContents(std::int32_t streamNumber) {
    TPDFIndObj* holder = Find(streamNumber);
    TPDFStream* stream = holder ? AsStream(holder->GetObject()) : nullptr;
    if (!stream) return {};
    try {
        return ReadObjectStreamIndex(GetDecodedData(*stream), stream->StreamDict->GetInteger("First", 0),
                                     stream->StreamDict->GetInteger("N", 0));
    } catch (const Exception&) {
        return {};
    }
}

// --- Indirect objects ---------------------------------------------------------------------------

// Each level may resolve a /Length or an object stream; a chain this deep is damage.
bool TPDFObjectStore::LoadObject(TPDFIndObj& entry) {
    if (loadDepth_ >= kMaxLoadDepth) return false;
    const TLoadDepthGuard guard(loadDepth_);
    ParseEntry(entry);
    return true;
}

void TPDFObjectStore::ParseEntry(TPDFIndObj& entry) {
    entry.Loaded = true;
    if (entry.Obj) entry.Obj->Release();
    entry.Obj = nullptr;
    std::string text = FetchObjectText(entry);
    if (entry.Compressed) entry.Decrypted = true;  // its object stream was decrypted as a whole

    std::size_t p = 0;
    bool numbersMatch = HeaderMatches(entry, text, p);
    if (!numbersMatch && !entry.Compressed) {
        // An offset a few bytes late: the header lies just before it.
        text = FetchShiftedObjectText(entry);
        p = 0;
        numbersMatch = !text.empty() && HeaderMatches(entry, text, p);
    }
    TPDFObject* object = nullptr;
    if (!numbersMatch || NextKeyword(text, p) != "obj") {
        object = structure_.NewNull();
    } else {
        const std::string_view rest = std::string_view(text).substr(p);
        std::int64_t end = 0;
        object = ParseObjectAt(structure_, rest, end);
        if (object->Kind == kPDFKindDictionary && rest.find("stream") != std::string_view::npos) {
            auto* dictionary = static_cast<TPDFDictionary*>(object);
            const std::int64_t length = ResolvedLength(dictionary->GetValue("Length"));
            std::size_t start = 0;
            std::size_t count = 0;
            if (length >= 0 && FindStreamData(rest, static_cast<std::size_t>(end), length, start, count)) {
                TPDFStream* stream = structure_.NewStream({}, false);
                stream->SetDictionary(dictionary);
                stream->SetRawData(std::string(rest.substr(start, count)));
                object = stream;
            }
        }
    }
    object->SetIndirect(entry.ObjNum, entry.Gen);
    entry.Obj = object;
}

// A stream's /Length, an indirect one loaded; -1 when it is no number.
std::int64_t TPDFObjectStore::ResolvedLength(TPDFObject* value) {
    if (value && value->Kind == kPDFKindIndRef) {
        TPDFIndObj* target = Find(static_cast<TPDFIndRef*>(value)->RefObjectNumber);
        value = target ? target->GetObject() : nullptr;
    }
    return value && value->Kind == kPDFKindNumeric ? static_cast<TPDFNumeric*>(value)->GetInteger() : -1;
}

void TPDFObjectStore::DecryptObject(TPDFIndObj& entry) {
    if (!entry.Obj || entry.Decrypted || !OnDecryptReady || !OnDecryptReady()) return;
    entry.Decrypted = true;
    if (OnDecrypt) OnDecrypt(entry.ObjNum, entry.Gen, entry.Obj);
}

// The object stream's header, decoded and parsed on first use and kept for its other objects.
TPDFObjectStream* TPDFObjectStore::ObjectStreamHeader(TPDFStream& stream) {
    if (stream.Attachment) return stream.Attachment;
    auto made = std::make_unique<TPDFObjectStream>();
    made->First = static_cast<std::int32_t>(std::clamp<std::int64_t>(stream.StreamDict->GetInteger("First", 0), 0, INT32_MAX));
    made->N = static_cast<std::int32_t>(std::clamp<std::int64_t>(stream.StreamDict->GetInteger("N", 0), 0, INT32_MAX));
    try {
        made->DecodedData = GetDecodedData(stream);
    } catch (const Exception&) {
        made->DecodedData.clear();
    }
    const std::string offsets = "[ " + made->DecodedData.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(made->First, static_cast<std::int64_t>(made->DecodedData.size())))) + " ]";
    TPDFObject* table = ParseObject(structure_, offsets);
    made->OffsetTable = table->Kind == kPDFKindArray ? static_cast<TPDFArray*>(table) : nullptr;
    stream.Attachment = made.get();
    objectStreams_.push_back(std::move(made));
    return stream.Attachment;
}

TPDFXRefEntry* TPDFObjectStore::XRefEntryOf(std::int32_t objectNumber) {
    const auto found = std::lower_bound(xrefEntries_.begin(), xrefEntries_.end(), objectNumber,
                                        [](const TPDFXRefEntry& entry, std::int32_t n) { return entry.ObjNum < n; });
    if (found == xrefEntries_.end() || found->ObjNum != objectNumber || !found->InUse) return nullptr;
    return &*found;
}

TPDFIndObj* TPDFObjectStore::Find(std::int32_t objectNumber) {
    if (const auto made = entries_.find(objectNumber); made != entries_.end()) return made->second.get();
    const TPDFXRefEntry* entry = XRefEntryOf(objectNumber);
    if (!entry) return nullptr;
    return entries_.emplace(objectNumber, NewIndObj(*entry)).first->second.get();
}

std::unique_ptr<TPDFIndObj> TPDFObjectStore::NewIndObj(const TPDFXRefEntry& entry) {
    auto object = std::make_unique<TPDFIndObj>(this);
    object->ObjNum = entry.ObjNum;
    object->Gen = entry.Gen();
    object->Offset = entry.Offset();
    object->Length = entry.Compressed ? 0 : TextLength(entry.Offset());
    object->Compressed = entry.Compressed;
    object->StreamObjNum = entry.StreamObjNum();
    object->StreamIndex = entry.StreamIndex();
    return object;
}

// From the offset to the next start of an object or a section, the end of the file after the
// last: entries that share an offset all get the text up to the next one, and the object
// header then tells which of them is really there.
std::int32_t TPDFObjectStore::TextLength(std::int32_t offset) {
    if (offset <= 0) return 0;
    if (!textStartsCollected_) {
        textStartsCollected_ = true;
        textStarts_.reserve(xrefEntries_.size() + sectionOffsets_.size());
        for (const TPDFXRefEntry& entry : xrefEntries_)
            if (entry.Offset() > 0) textStarts_.push_back(entry.Offset());
        // A file holds less than 2 GiB: a section named beyond that ends nothing in it.
        for (const std::int64_t section : sectionOffsets_)
            if (section > 0) textStarts_.push_back(static_cast<std::int32_t>(std::min<std::int64_t>(section, INT32_MAX)));
        if (!std::is_sorted(textStarts_.begin(), textStarts_.end())) std::sort(textStarts_.begin(), textStarts_.end());
    }
    const auto next = std::upper_bound(textStarts_.begin(), textStarts_.end(), offset);
    const std::int64_t end = next == textStarts_.end() ? static_cast<std::int64_t>(data_.Size()) : *next;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(end - offset, 0, INT32_MAX));
}

TPDFObject* TPDFObjectStore::Lookup(std::int32_t objectNumber) {
    TPDFIndObj* entry = Find(objectNumber);
    return entry ? entry->GetObject() : nullptr;
}

std::string TPDFObjectStore::FetchObjectText(const TPDFIndObj& entry) {
    if (!entry.Compressed) {
        if (entry.Offset <= 0 || static_cast<std::size_t>(entry.Offset) >= data_.Size()) return {};
        return data_.Copy(static_cast<std::size_t>(entry.Offset), static_cast<std::size_t>(entry.Length));
    }
    const std::string head = std::to_string(entry.ObjNum) + " " + std::to_string(entry.Gen) + " obj\r";
    const std::string fallback = head + "null\rendobj";
    TPDFIndObj* holder = Find(entry.StreamObjNum);
    if (!holder || holder == &entry) return fallback;
    TPDFStream* stream = AsStream(holder->GetObject());
    if (!stream || stream->StreamDict->GetTypeName() != "ObjStm") return fallback;

    TPDFObjectStream* header = ObjectStreamHeader(*stream);

    const std::int64_t n = header->N;
    const TPDFArray* table = header->OffsetTable;
    if (header->First <= 0 || n <= 0 || !table || table->GetCount() < 2 * n) return fallback;
    const std::int64_t index = PositionInObjectStream(*header, entry.ObjNum, entry.StreamIndex);
    if (index < 0) return fallback;
    const TPDFNumeric* offset = AsNumber(table->GetItem(static_cast<int>(2 * index + 1)));
    const auto dataLength = static_cast<std::int64_t>(header->DecodedData.size());
    const std::int64_t begin = header->First + (offset ? offset->GetInteger() : 0);
    std::int64_t end = dataLength;
    if (index + 1 < n)
        if (const TPDFNumeric* next = AsNumber(table->GetItem(static_cast<int>(2 * index + 3))))
            end = header->First + next->GetInteger();
    if (begin < 0 || begin >= dataLength) return fallback;
    end = std::clamp<std::int64_t>(end, begin, dataLength);
    return head + header->DecodedData.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

std::string TPDFObjectStore::FetchShiftedObjectText(const TPDFIndObj& entry) const {
    if (entry.Offset <= 0 || static_cast<std::size_t>(entry.Offset) > data_.Size()) return {};
    const std::string header = std::to_string(entry.ObjNum) + " " + std::to_string(entry.Gen) + " obj";
    const std::size_t from = static_cast<std::size_t>(std::max(entry.Offset - kOffsetSlack, 0));
    // One byte more in front, to tell a header from the end of a longer number.
    const std::size_t lead = from > 0 ? 1 : 0;
    const std::string copied =
        data_.Copy(from - lead, static_cast<std::size_t>(entry.Offset) - from + header.size() - 1 + lead);
    const std::string_view window = std::string_view(copied).substr(std::min(lead, copied.size()));
    for (std::size_t found = window.rfind(header); found != std::string_view::npos;
         found = found == 0 ? std::string_view::npos : window.rfind(header, found - 1)) {
        const std::size_t start = from + found;
        if (start > 0 && IsDecimalDigit(copied[found + lead - 1])) continue;  // part of a longer number
        const std::size_t end = static_cast<std::size_t>(entry.Offset) + static_cast<std::size_t>(entry.Length);
        return data_.Copy(start, end - start);
    }
    return {};
}

std::int32_t TPDFObjectStore::HighestNumber() const {
    std::int32_t highest = addedNumbers_.empty() ? 0 : addedNumbers_.back();
    for (auto entry = xrefEntries_.rbegin(); entry != xrefEntries_.rend(); ++entry)
        if (entry->InUse) {
            highest = std::max(highest, entry->ObjNum);
            break;
        }
    return highest;
}

TPDFIndObj* TPDFObjectStore::Add(TPDFObject* object) {
    if (!AsNumber(trailer_->GetValue("Size"))) trailer_->SetValue("Size", structure_.NewNumeric(1));
    const std::int32_t number = Count() == 0 ? 1 : HighestNumber() + 1;
    auto entry = std::make_unique<TPDFIndObj>(this);
    entry->ObjNum = number;
    entry->Loaded = true;
    entry->Decrypted = true;
    entry->Obj = object;
    object->SetIndirect(number, 0);
    TPDFIndObj* added = entry.get();
    // A number above every other: an entry made earlier for a removed object gives way.
    entries_[number] = std::move(entry);
    addedNumbers_.push_back(number);
    trailer_->SetValue("Size", structure_.NewNumeric(number + 1));
    return added;
}

void TPDFObjectStore::Remove(std::int32_t objectNumber, std::int32_t generation) {
    const TPDFIndObj* entry = Find(objectNumber);
    if (!entry || entry->Gen != generation) return;
    entries_.erase(objectNumber);
    if (const auto added = std::lower_bound(addedNumbers_.begin(), addedNumbers_.end(), objectNumber);
        added != addedNumbers_.end() && *added == objectNumber) {
        addedNumbers_.erase(added);
        return;
    }
    if (TPDFXRefEntry* read = XRefEntryOf(objectNumber)) {
        read->InUse = false;
        --inUseCount_;
    }
}

}  // namespace parch
