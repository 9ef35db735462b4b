#include "pdf/core/ScrivletDocument.h"

#include <algorithm>
#include <ctime>
#include <unordered_set>

#include "base/Streams.h"
#include "pdf/core/ScrivletDigest.h"
#include "pdf/core/ScrivletFilters.h"
#include "pdf/core/ScrivletFont.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/core/ScrivletPainter.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletTextString.h"
#include "pdf/core/ScrivletUnicode.h"
#include "pdf/core/ScrivletXMP.h"

namespace parch {

namespace {

constexpr std::size_t kHeaderWindow = 1024;

constexpr const char* kStandardFontNames[14] = {
    "Courier",   "Courier-Bold",     "Courier-BoldOblique",   "Courier-Oblique",
    "Helvetica", "Helvetica-Bold",   "Helvetica-BoldOblique", "Helvetica-Oblique",
    "Times-Roman", "Times-Bold",     "Times-Italic",          "Times-BoldItalic",
    "Symbol",    "ZapfDingbats"};

TPDFDictionary* AsDictionary(TPDFObject* object) {
    return object && object->Kind == kPDFKindDictionary ? static_cast<TPDFDictionary*>(object) : nullptr;
}

TPDFStream* AsStream(TPDFObject* object) {
    return object && object->Kind == kPDFKindStream ? static_cast<TPDFStream*>(object) : nullptr;
}

const TPDFNumeric* AsNumber(const TPDFObject* object) {
    return object && object->Kind == kPDFKindNumeric ? static_cast<const TPDFNumeric*>(object) : nullptr;
}

bool IsVersionByte(char c) { return IsDecimalDigit(c) || c == '.'; }

// The run of digits and points right after `position`, looked for within the next 10 bytes.
std::string VersionAt(std::string_view data, std::size_t position) {
    std::string version;
    for (std::size_t p = position; p < data.size() && p < position + 10 && IsVersionByte(data[p]); ++p)
        version += data[p];
    return version;
}

// The local date and time as a day number since 1899-12-30, the fraction being the time of day.
double LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<double>(now + local.tm_gmtoff) / 86400.0 + 25569.0;
}

}  // namespace

TPDFDocument::TPDFDocument() {
    Structure.OnIndirectLookup = [this](TPDFIndRef*, std::int32_t number, std::int32_t) {
        return LookupObject(number);
    };
    Structure.OnNewIndirectObject = [this](TPDFObject*, TPDFObject* object, std::int32_t& number,
                                           std::int32_t& generation) {
        RegisterObject(object, number, generation);
    };
    Reset();
}

TPDFDocument::~TPDFDocument() {
    // The tree and the fonts point into the structure; let them go first.
    PageTree.reset();
    Fonts.clear();
}

void TPDFDocument::Reset() {
    Shaders.clear();
    PageTree.reset();
    Fonts.clear();
    ObjectStreams.clear();
    IndObjs.clear();
    IndexNumbers.clear();
    IndexPositions.clear();
    Structure.Clear();
    Trailer = Structure.NewDictionary();
    FileData.clear();
    Entries.clear();
    EntryCount = 0;
    SectionOffsets.clear();
    SeenNumbers.Clear();
    Security.Clear();
    LoadDepth = 0;
    NewPageTree(nullptr);
}

void TPDFDocument::NewPageTree(TPDFDictionary* pages) {
    PageTree.reset();
    PageTree = std::make_unique<TPDFPageTree>(pages);
    PageTree->OnLoadObject = [this](std::int32_t number) { LoadObjectTree(number); };
    PageTree->OnRemoveObject = [this](std::int32_t number, std::int32_t generation) {
        RemoveObject(number, generation);
    };
    PageTree->OnPageNumberOfRef = [this](const TPDFIndRef* reference) { return PageNumberOfRef(reference); };
}

std::uint8_t TPDFDocument::ReadDocument(TStream& stream, std::u16string_view password) {
    try {
        Reset();
        if (!ReadWhole(stream)) {
            Reset();
            return kOpenUnreadable;
        }
        std::uint8_t result = OpenParsed(password);
        const std::size_t marker = FileData.find("%PDF-", 1);
        if (result != kOpenOk && marker != std::string::npos) {
            // Junk before the header: offsets count from the marker. Read with the junk, a
            // cut /Encrypt dictionary can look like a wrong password or an unknown handler,
            // so every failure is tried again; a second failure to read at all keeps the
            // first answer.
            std::string data = FileData.substr(marker);
            Reset();
            FileData = std::move(data);
            const std::uint8_t second = OpenParsed(password);
            if (second != kOpenUnreadable) result = second;
        }
        if (result != kOpenOk) Reset();
        return result;
    } catch (...) {
        Reset();
        return kOpenUnreadable;
    }
}

// Reads in blocks up to the size limit, so that a device or pipe that never ends (or a size
// the stream cannot tell) cannot exhaust memory.
bool TPDFDocument::ReadWhole(TStream& stream) {
    FileData.clear();
    char block[65536];
    for (;;) {
        const std::int64_t count = stream.Read(block, sizeof block);
        if (count <= 0) return true;
        if (static_cast<std::int64_t>(FileData.size()) + count > MaxFileSize) return false;
        FileData.append(block, static_cast<std::size_t>(count));
    }
}

std::uint8_t TPDFDocument::OpenParsed(std::u16string_view password) {
    if (!ReadHeader() || !ReadXRef()) return kOpenUnreadable;
    if (Trailer->GetValue("Encrypt")) {
        Security.EncryptionRead = false;
        const int state = EncryptionState();
        // An /Encrypt that leads to no dictionary is damage (or offsets we misread), not a
        // handler we lack.
        if (!Security.DictionaryFound) return kOpenUnreadable;
        if (state != kSupportedEncryption) return kOpenUnsupportedEncryption;
        CheckPassword(u"");
        Security.OpenedWithoutPassword = Security.UserPasswordOk;
        CheckPassword(password);
        if (!Security.UserPasswordOk && !Security.OwnerPasswordOk) return kOpenPasswordNeeded;
        if (Security.KeyMissing()) return kOpenUnreadable;
    }
    TPDFDictionary* pages = GetPagesDict();
    if (!pages) return kOpenUnreadable;
    NewPageTree(pages);
    PageTree->SelectPage(1);
    ClearLinearization();
    return kOpenOk;
}

bool TPDFDocument::ReadHeader() {
    const std::string_view head = std::string_view(FileData).substr(0, kHeaderWindow);
    std::string version;
    bool found = false;
    if (const std::size_t marker = head.find("%PDF-"); marker != std::string_view::npos) {
        version = VersionAt(FileData, marker + 5);
        found = true;
    } else if (const std::size_t ps = head.find("%!PS-Adobe-"); ps != std::string_view::npos) {
        const std::size_t pdf = std::string_view(FileData).substr(ps + 11, 20).find("PDF-");
        if (pdf != std::string_view::npos) {
            version = VersionAt(FileData, ps + 11 + pdf + 4);
            found = true;
        }
    }
    if (!found || std::count(version.begin(), version.end(), '.') > 1) return false;
    Version = version;
    return true;
}

// --- Cross references ---------------------------------------------------------------------------

bool TPDFDocument::ReadXRef() {
    TPDFXRefReader reader(FileData);
    reader.OnEntry = [this](std::int32_t number, std::int32_t second, std::int32_t third, char kind) {
        OnXRefEntry(number, second, third, kind);
    };
    reader.OnTrailer = [this](const std::string& text) { OnXRefTrailer(text); };
    reader.OnSection = [this](std::int64_t offset) { OnXRefSection(offset); };
    Trailer = nullptr;
    Entries.clear();
    Entries.reserve(1000);
    EntryCount = 0;

    const bool result = reader.ReadXRefAt(reader.FindXRefOffset());
    if (!Trailer) Trailer = Structure.NewDictionary();

    if (NumberedFromOne())
        for (TPDFXRefEntry& entry : Entries) --entry.ObjNum;

    BuildObjectTable();
    return result;
}

// A table whose first subsection is numbered from 1 instead of 0: its first in-use entry says
// 2 but points at "1 0 obj", and /Size is one more than the entries (without free gaps) or
// equals the highest number (with them), which no correct table allows.
bool TPDFDocument::NumberedFromOne() const {
    const TPDFNumeric* size = AsNumber(Trailer->GetValue("Size"));
    if (EntryCount == 0 || Entries[0].ObjNum != 2 || !size || Entries[0].Offset < 0) return false;
    const std::size_t offset = static_cast<std::size_t>(Entries[0].Offset);
    if (offset >= FileData.size() || std::string_view(FileData).substr(offset, 7) != "1 0 obj") return false;
    std::int32_t highest = 0;
    for (const TPDFXRefEntry& entry : Entries) highest = std::max(highest, entry.ObjNum);
    return size->GetInteger() == EntryCount + 1 || size->GetInteger() == highest;
}

void TPDFDocument::OnXRefEntry(std::int32_t number, std::int32_t second, std::int32_t third, char kind) {
    if (number < 0 || number > kMaxObjectNumber || (kind != 'n' && kind != 'c') || !SeenNumbers.Take(number))
        return;
    TPDFXRefEntry entry;
    entry.ObjNum = number;
    entry.InUse = true;
    if (kind == 'n') {
        entry.Gen = third;
        entry.Offset = second;
    } else {
        entry.Compressed = true;
        entry.StreamObjNum = second;
        entry.StreamIndex = third;
    }
    Entries.push_back(entry);
    EntryCount = static_cast<std::int32_t>(Entries.size());
}

void TPDFDocument::OnXRefTrailer(const std::string& text) {
    if (Trailer) return;  // the newest section's trailer counts
    TPDFDictionary* dictionary = AsDictionary(Structure.ParseObject(text));
    if (!dictionary) return;
    for (std::string_view key : {"Prev", "Type", "W", "Index", "Length", "Filter"}) dictionary->RemoveKey(key);
    Trailer = dictionary;
}

void TPDFDocument::OnXRefSection(std::int64_t offset) {
    if (offset >= 0) {
        SectionOffsets.push_back(offset);
        return;
    }
    for (std::int64_t& known : SectionOffsets)
        if (known == -offset) known = 0;
}

void TPDFDocument::BuildObjectTable() {
    struct Item {
        std::int64_t Offset;
        int Entry;  // -1 for a section
    };
    std::vector<Item> items;
    items.reserve(SectionOffsets.size() + Entries.size());
    for (std::int64_t offset : SectionOffsets) items.push_back({std::max<std::int64_t>(offset, 0), -1});
    for (std::size_t i = 0; i < Entries.size(); ++i)
        items.push_back({std::max<std::int64_t>(Entries[i].Offset, 0), static_cast<int>(i)});
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.Offset < b.Offset; });
    for (std::size_t i = 0; i + 1 < items.size(); ++i) {
        const Item& a = items[i];
        const Item& b = items[i + 1];
        if (a.Offset == b.Offset && a.Entry >= 0 && b.Entry >= 0 &&
            Entries[static_cast<std::size_t>(b.Entry)].ObjNum < Entries[static_cast<std::size_t>(a.Entry)].ObjNum)
            std::swap(Entries[static_cast<std::size_t>(a.Entry)], Entries[static_cast<std::size_t>(b.Entry)]);
    }

    // Entries that share an offset all get the text up to the next offset: the object header
    // then tells which of them is really there.
    std::vector<std::int64_t> ends(items.size());
    std::int64_t nextOffset = static_cast<std::int64_t>(FileData.size());
    for (std::size_t i = items.size(); i-- > 0;) {
        if (i + 1 < items.size() && items[i + 1].Offset != items[i].Offset) nextOffset = items[i + 1].Offset;
        ends[i] = nextOffset;
    }

    IndObjs.clear();
    IndObjs.reserve(Entries.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].Entry < 0) continue;
        const TPDFXRefEntry& entry = Entries[static_cast<std::size_t>(items[i].Entry)];
        if (!entry.InUse || entry.Gen < 0) continue;
        const std::int64_t end = ends[i];
        auto object = std::make_unique<TPDFIndObj>(this);
        object->ObjNum = entry.ObjNum;
        object->Gen = entry.Gen;
        object->Offset = entry.Offset;
        object->Length = static_cast<std::int32_t>(std::clamp<std::int64_t>(end - entry.Offset, 0, INT32_MAX));
        object->Compressed = entry.Compressed;
        object->StreamObjNum = entry.StreamObjNum;
        object->StreamIndex = entry.StreamIndex;
        IndObjs.push_back(std::move(object));
    }
    RebuildIndex();
}

// --- Indirect objects ---------------------------------------------------------------------------

void TPDFDocument::RebuildIndex() {
    std::vector<std::pair<std::int32_t, std::int32_t>> index;
    index.reserve(IndObjs.size());
    for (std::size_t i = 0; i < IndObjs.size(); ++i)
        index.emplace_back(IndObjs[i]->ObjNum, static_cast<std::int32_t>(i));
    std::stable_sort(index.begin(), index.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    IndexNumbers.resize(index.size());
    IndexPositions.resize(index.size());
    for (std::size_t i = 0; i < index.size(); ++i) {
        IndexNumbers[i] = index[i].first;
        IndexPositions[i] = index[i].second;
    }
}

TPDFIndObj* TPDFDocument::FindIndObj(std::int32_t objectNumber) const {
    const auto found = std::lower_bound(IndexNumbers.begin(), IndexNumbers.end(), objectNumber);
    if (found == IndexNumbers.end() || *found != objectNumber) return nullptr;
    const auto position = IndexPositions[static_cast<std::size_t>(found - IndexNumbers.begin())];
    return IndObjs[static_cast<std::size_t>(position)].get();
}

TPDFObject* TPDFDocument::LookupObject(std::int32_t objectNumber) {
    TPDFIndObj* entry = FindIndObj(objectNumber);
    return entry ? entry->GetObject() : nullptr;
}

std::string TPDFDocument::FetchObjectText(const TPDFIndObj& entry) {
    if (!entry.Compressed) {
        if (entry.Offset <= 0 || static_cast<std::size_t>(entry.Offset) >= FileData.size()) return {};
        return FileData.substr(static_cast<std::size_t>(entry.Offset), static_cast<std::size_t>(entry.Length));
    }
    const std::string head = std::to_string(entry.ObjNum) + " " + std::to_string(entry.Gen) + " obj\r";
    const std::string fallback = head + "null\rendobj";
    TPDFIndObj* holder = FindIndObj(entry.StreamObjNum);
    if (!holder || holder == &entry) return fallback;
    TPDFStream* stream = AsStream(holder->GetObject());
    if (!stream || stream->StreamDict->GetTypeName() != "ObjStm") return fallback;

    TPDFObjectStream* header = stream->Attachment;
    if (!header) {
        auto made = std::make_unique<TPDFObjectStream>();
        made->First = static_cast<std::int32_t>(std::clamp<std::int64_t>(stream->StreamDict->GetInteger("First", 0), 0, INT32_MAX));
        made->N = static_cast<std::int32_t>(std::clamp<std::int64_t>(stream->StreamDict->GetInteger("N", 0), 0, INT32_MAX));
        try {
            made->DecodedData = stream->GetDecodedData();
        } catch (const Exception&) {
            made->DecodedData.clear();
        }
        const std::string offsets = "[ " + made->DecodedData.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(made->First, static_cast<std::int64_t>(made->DecodedData.size())))) + " ]";
        TPDFObject* table = Structure.ParseObject(offsets);
        made->OffsetTable = table->Kind == kPDFKindArray ? static_cast<TPDFArray*>(table) : nullptr;
        header = made.get();
        stream->Attachment = header;
        ObjectStreams.push_back(std::move(made));
    }

    const std::int64_t n = header->N;
    const std::int64_t index = entry.StreamIndex;
    const TPDFArray* table = header->OffsetTable;
    if (header->First <= 0 || n <= 0 || index < 0 || index >= n || !table || table->GetCount() < 2 * n)
        return fallback;
    const TPDFNumeric* number = AsNumber(table->GetItem(static_cast<int>(2 * index)));
    if (!number || number->GetInteger() != entry.ObjNum) return fallback;
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

std::string TPDFDocument::FetchShiftedObjectText(const TPDFIndObj& entry) const {
    if (entry.Offset <= 0 || static_cast<std::size_t>(entry.Offset) > FileData.size()) return {};
    const std::string header = std::to_string(entry.ObjNum) + " " + std::to_string(entry.Gen) + " obj";
    const std::size_t from = static_cast<std::size_t>(std::max(entry.Offset - kOffsetSlack, 0));
    const std::string_view window =
        std::string_view(FileData).substr(from, static_cast<std::size_t>(entry.Offset) - from + header.size() - 1);
    for (std::size_t found = window.rfind(header); found != std::string_view::npos;
         found = found == 0 ? std::string_view::npos : window.rfind(header, found - 1)) {
        const std::size_t start = from + found;
        if (start > 0 && IsDecimalDigit(FileData[start - 1])) continue;  // part of a longer number
        const std::size_t end = static_cast<std::size_t>(entry.Offset) + static_cast<std::size_t>(entry.Length);
        return FileData.substr(start, std::min(end, FileData.size()) - start);
    }
    return {};
}

TPDFIndObj* TPDFDocument::AddIndObj(TPDFObject* object) {
    if (!AsNumber(Trailer->GetValue("Size"))) Trailer->SetValue("Size", Structure.NewNumeric(1));
    const std::int32_t number = IndexNumbers.empty() ? 1 : IndexNumbers.back() + 1;
    auto entry = std::make_unique<TPDFIndObj>(this);
    entry->ObjNum = number;
    entry->Loaded = true;
    entry->Decrypted = true;
    entry->Obj = object;
    object->SetIndirect(number, 0);
    TPDFIndObj* added = entry.get();
    IndObjs.push_back(std::move(entry));
    // The new number is the highest, so the index stays sorted by appending.
    IndexNumbers.push_back(number);
    IndexPositions.push_back(static_cast<std::int32_t>(IndObjs.size() - 1));
    Trailer->SetValue("Size", Structure.NewNumeric(number + 1));
    return added;
}

void TPDFDocument::RegisterObject(TPDFObject* object, std::int32_t& objectNumber, std::int32_t& generation) {
    TPDFIndObj* entry = AddIndObj(object);
    objectNumber = entry->ObjNum;
    generation = entry->Gen;
}

void TPDFDocument::LoadObjectTree(std::int32_t objectNumber) {
    std::unordered_set<std::int32_t> visited;
    std::vector<std::int32_t> pending{objectNumber};
    while (!pending.empty()) {
        const std::int32_t number = pending.back();
        pending.pop_back();
        if (!visited.insert(number).second) continue;
        TPDFIndObj* entry = FindIndObj(number);
        if (!entry || (entry->Loaded && entry->Decrypted)) continue;
        std::vector<const TPDFObject*> walk{entry->GetObject()};
        while (!walk.empty()) {
            const TPDFObject* object = walk.back();
            walk.pop_back();
            if (!object) continue;
            switch (object->Kind) {
                case kPDFKindIndRef:
                    pending.push_back(static_cast<const TPDFIndRef*>(object)->RefObjectNumber);
                    break;
                case kPDFKindDictionary:
                    for (const TPDFPair& pair : static_cast<const TPDFDictionary*>(object)->Pairs)
                        walk.push_back(pair.Value);
                    break;
                case kPDFKindArray:
                    for (const TPDFObject* item : static_cast<const TPDFArray*>(object)->Elements) walk.push_back(item);
                    break;
                case kPDFKindStream:
                    walk.push_back(static_cast<const TPDFStream*>(object)->StreamDict);
                    break;
                default:
                    break;
            }
        }
    }
}

void TPDFDocument::RemoveObject(std::int32_t objectNumber, std::int32_t generation) {
    const auto found = std::find_if(IndObjs.begin(), IndObjs.end(), [&](const auto& entry) {
        return entry->ObjNum == objectNumber && entry->Gen == generation;
    });
    if (found == IndObjs.end()) return;
    IndObjs.erase(found);
    RebuildIndex();
}

std::int32_t TPDFDocument::PageNumberOfRef(const TPDFIndRef* reference) {
    if (!reference || !PageTree) return 0;
    // Every page is an indirect object, so no more pages can exist than objects.
    const std::int64_t count = std::min<std::int64_t>(PageTree->GetPageCount(), static_cast<std::int64_t>(IndObjs.size()));
    for (std::int32_t page = 1; page <= count; ++page) {
        const TPDFIndRef* candidate = PageTree->GetPageRef(page);
        if (candidate && candidate->RefObjectNumber == reference->RefObjectNumber &&
            candidate->RefGenerationNumber == reference->RefGenerationNumber)
            return page;
    }
    return 0;
}

// --- Security -----------------------------------------------------------------------------------

int TPDFDocument::EncryptionState() {
    if (!Security.EncryptionRead) Security.ReadEncryption(Trailer);
    return Security.EncryptionState();
}

void TPDFDocument::CheckPassword(std::u16string_view password) {
    EncryptionState();
    Security.CheckPassword(password);
}

TPDFArray* TPDFDocument::GetIDArray() {
    TPDFObject* ids = Trailer->GetValue("ID");
    if (ids && ids->Kind == kPDFKindArray) return static_cast<TPDFArray*>(ids);
    Trailer->RemoveKey("ID");
    TPDFString* id = Structure.NewString(MD5ToString(MD5OfString(FloatToStrA(LocalNow()))), 1);
    TPDFArray* array = Structure.NewArray();
    array->Add(id);
    array->Add(id);
    Trailer->SetValue("ID", array);
    return array;
}

// --- Catalog ------------------------------------------------------------------------------------

// The trailer's dictionary under the key; a new indirect one when it is missing or not one.
TPDFDictionary* TPDFDocument::TrailerDictionary(std::string_view key) {
    if (TPDFDictionary* present = AsDictionary(Trailer->GetValue(key, true))) return present;
    TPDFDictionary* made = Structure.NewDictionary();
    TPDFIndObj* entry = AddIndObj(made);
    Trailer->SetValue(key, Structure.NewIndRef(entry->ObjNum, 0));
    return made;
}

TPDFDictionary* TPDFDocument::GetRoot() { return TrailerDictionary("Root"); }

TPDFDictionary* TPDFDocument::GetPagesDict() { return AsDictionary(GetRoot()->GetValue("Pages", true)); }

TPDFDictionary* TPDFDocument::GetInfo() { return TrailerDictionary("Info"); }

bool TPDFDocument::NewEmptyDocument() {
    Reset();
    Version = "1.4";
    TPDFDictionary* pages = Structure.NewDictionary();
    AddIndObj(pages);
    TPDFDictionary* page = Structure.NewDictionary();
    AddIndObj(page);
    TPDFDictionary* catalog = Structure.NewDictionary();
    AddIndObj(catalog);
    TPDFDictionary* info = Structure.NewDictionary();
    AddIndObj(info);

    auto box = [this] {
        const std::vector<std::int32_t> corners{0, 0, 612, 792};
        return Structure.NewIntegerArray(corners);
    };
    pages->SetValue("Type", Structure.GetCommonName("Pages"));
    pages->SetValue("Count", Structure.NewNumeric(1));
    TPDFArray* kids = Structure.NewArray();
    kids->Add(Structure.NewIndRef(page->ObjectNumber, 0));
    pages->SetValue("Kids", kids);

    page->SetValue("Type", Structure.GetCommonName("Page"));
    page->SetValue("Parent", Structure.NewIndRef(pages->ObjectNumber, 0));
    page->SetValue("MediaBox", box());
    page->SetValue("CropBox", box());
    TPDFDictionary* resources = Structure.NewDictionary();
    TPDFArray* procSet = Structure.NewArray();
    for (const char* name : {"PDF", "Text", "ImageB", "ImageC", "ImageI"}) procSet->Add(Structure.NewName(name));
    resources->SetValue("ProcSet", procSet);
    page->SetValue("Resources", resources);

    catalog->SetValue("Type", Structure.GetCommonName("Catalog"));
    catalog->SetValue("Pages", Structure.NewIndRef(pages->ObjectNumber, 0));

    Trailer->SetValue("Root", Structure.NewIndRef(catalog->ObjectNumber, 0));
    Trailer->SetValue("Info", Structure.NewIndRef(info->ObjectNumber, 0));
    GetIDArray();
    NewPageTree(pages);
    PageTree->SelectPage(1);
    return true;
}

// --- Document information -----------------------------------------------------------------------

void TPDFDocument::SetInformation(std::string_view key, std::u16string_view value) {
    SetInfoEntry(key, WideToPDFTextString(value, false));
    try {
        TScrivletXMP packet;
        packet.Load(GetMetadata());
        const std::string text = WideToUtf8(value);
        if (key == "Title") packet.SetTitle(text);
        else if (key == "Author") packet.SetCreator(text);
        else if (key == "Subject") packet.SetDescription(text);
        else if (key == "Keywords") packet.SetKeywords(text);
        else if (key == "Creator") packet.SetCreatorTool(text);
        else if (key == "Producer") packet.SetProducer(text);
        else if (key == "CreationDate") packet.SetCreateDate(text);
        else if (key == "ModDate") packet.SetModifyDate(text);
        // A packet that could not be read is left as it was rather than replaced by nothing.
        const std::string saved = packet.Save();
        if (!saved.empty()) SetMetadata(saved);
    } catch (const std::exception&) {
        // The information entry stands; only its mirror in the packet is missing.
    }
}

void TPDFDocument::SetInfoEntry(std::string_view key, const std::string& value) {
    TPDFDictionary* info = GetInfo();
    TPDFObject* present = info->GetValue(key, true);
    if (present && present->Kind == kPDFKindString) {
        static_cast<TPDFString*>(present)->SetValue(value);
        return;
    }
    if (TPDFStream* stream = AsStream(present)) stream->SetData({}, false);
    info->SetValue(key, Structure.NewString(value, 0));
}

std::string TPDFDocument::GetMetadata() {
    TPDFStream* stream = AsStream(GetRoot()->GetValue("Metadata", true));
    if (!stream || stream->StreamDict->GetTypeName() != "Metadata") return {};
    auto isXml = [stream](std::string_view key) {
        const TPDFObject* value = stream->StreamDict->GetValue(key);
        return value && value->Kind == kPDFKindName && static_cast<const TPDFName*>(value)->NameBytes == "XML";
    };
    if (!isXml("Subtype") && !isXml("SubType")) return {};
    try {
        return stream->GetDecodedData();
    } catch (const Exception&) {
        return {};
    }
}

void TPDFDocument::SetMetadata(const std::string& packet) {
    if (EncryptionState() != kNotEncrypted) return;
    TPDFDictionary* catalog = GetRoot();
    TPDFStream* stream = AsStream(catalog->GetValue("Metadata", true));
    if (!stream) {
        stream = Structure.NewStream({}, false);
        TPDFIndObj* entry = AddIndObj(stream);
        catalog->SetValue("Metadata", Structure.NewIndRef(entry->ObjNum, 0));
    }
    stream->StreamDict->SetValue("Type", Structure.GetCommonName("Metadata"));
    stream->StreamDict->SetValue("Subtype", Structure.GetCommonName("XML"));
    stream->SetData(packet, false);
}

// --- Fonts --------------------------------------------------------------------------------------

TPDFFont* TPDFDocument::AddStandardFont(int index) {
    if (index < 0 || index > 13) return nullptr;
    ++FontCounter;
    auto font = std::make_unique<TPDFFont>(&Structure, "ScrivletF" + NewRandomId());
    font->MakeStandardFont(kStandardFontNames[index], index + 1);
    Fonts.push_back(std::move(font));
    return Fonts.back().get();
}

TPDFFont* TPDFDocument::GetFont(int index) const {
    if (index < 0 || index >= FontCount()) return nullptr;
    return Fonts[static_cast<std::size_t>(index)].get();
}

bool TPDFDocument::HasFont(const void* object) const {
    return std::any_of(Fonts.begin(), Fonts.end(), [object](const auto& font) { return font.get() == object; });
}

// --- Linearization ------------------------------------------------------------------------------

// The linearization dictionary describes the file as written; once objects may change it is
// wrong, so its entries go.
void TPDFDocument::ClearLinearization() {
    const std::string_view head = std::string_view(FileData).substr(0, kHeaderWindow);
    if (head.find("/Linearized") == std::string_view::npos) return;
    const std::size_t obj = head.find(" obj");
    if (obj == std::string_view::npos) return;
    // The two digit runs before " obj": generation, then object number.
    std::size_t p = obj;
    auto previousRun = [&]() -> std::string {
        while (p > 0 && !IsDecimalDigit(head[p - 1])) --p;
        const std::size_t end = p;
        while (p > 0 && IsDecimalDigit(head[p - 1])) --p;
        return std::string(head.substr(p, end - p));
    };
    const std::string generation = previousRun();
    const std::string number = previousRun();
    if (number.empty() || generation.empty()) return;
    TPDFIndObj* entry = FindIndObj(StrToIntDefA(number, -1));
    TPDFDictionary* dictionary = entry ? AsDictionary(entry->GetObject()) : nullptr;
    if (dictionary && dictionary->GetValue("Linearized")) dictionary->Clear();
}

}  // namespace parch
