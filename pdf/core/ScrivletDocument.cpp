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
#include "pdf/core/ScrivletStreamData.h"
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



// The packet property that mirrors an information entry; dates are written in the packet's own
// form. Nil for entries without a mirror.
struct InfoMirror {
    std::string_view Key;
    std::string_view Prefix;
    std::string_view LocalName;
    bool Date;
};

const InfoMirror* MirrorOfInfoKey(std::string_view key) {
    static constexpr InfoMirror kMirrors[] = {
        {"Title", "dc", "title", false},          {"Author", "dc", "creator", false},
        {"Subject", "dc", "description", false},  {"Keywords", "pdf", "Keywords", false},
        {"Creator", "xmp", "CreatorTool", false}, {"Producer", "pdf", "Producer", false},
        {"CreationDate", "xmp", "CreateDate", true}, {"ModDate", "xmp", "ModifyDate", true}};
    for (const InfoMirror& mirror : kMirrors)
        if (mirror.Key == key) return &mirror;
    return nullptr;
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
    store_.OnDecryptReady = [this] {
        return EncryptionState() == kSupportedEncryption && (security_.UserPasswordOk || security_.OwnerPasswordOk);
    };
    store_.OnDecrypt = [this](std::int32_t number, std::int32_t generation, TPDFObject* object) {
        const std::string key = security_.ObjectKey(number, generation);
        if (!key.empty()) security_.DecryptObject(key, object);
    };
    Reset();
}

TPDFDocument::~TPDFDocument() {
    // The tree and the fonts point into the structure; let them go first.
    pageTree_.reset();
    fonts_.clear();
}

void TPDFDocument::Reset() {
    shaders_.clear();
    pageTree_.reset();
    fonts_.clear();
    store_.Clear();
    security_.Clear();
    NewPageTree(nullptr);
}

void TPDFDocument::NewPageTree(TPDFDictionary* pages) {
    pageTree_.reset();
    pageTree_ = std::make_unique<TPDFPageTree>(pages);
    pageTree_->OnLoadObject = [this](std::int32_t number) { LoadObjectTree(number); };
    pageTree_->OnRemoveObject = [this](std::int32_t number, std::int32_t generation) {
        RemoveObject(number, generation);
    };
    pageTree_->OnPageNumberOfRef = [this](const TPDFIndRef* reference) { return PageNumberOfRef(reference); };
    pageTree_->OnObjectCount = [this] { return store_.Count(); };
}

std::uint8_t TPDFDocument::ReadDocument(TStream& stream, std::u16string_view password) {
    try {
        Reset();
        if (!ReadSource(stream)) {
            Reset();
            return kOpenUnreadable;
        }
        std::uint8_t result = OpenParsed(password);
        const std::size_t marker = result == kOpenOk ? std::string_view::npos : FileData().find("%PDF-", 1);
        if (marker != std::string_view::npos) {
            // Junk before the header: offsets count from the marker. Read with the junk, a
            // cut /Encrypt dictionary can look like a wrong password or an unknown handler,
            // so every failure is tried again; a second failure to read at all keeps the
            // first answer.
            TPDFFileData data = store_.TakeData();
            data.DropFront(marker);
            Reset();
            store_.SetData(std::move(data));
            const std::uint8_t second = OpenParsed(password);
            if (second != kOpenUnreadable) result = second;
        }
        if (result == kOpenUnreadable) {
            // The last resort: cross references rebuilt from the objects found in the file.
            TPDFFileData data = store_.TakeData();
            Reset();
            store_.SetData(std::move(data));
            result = OpenParsed(password, true);
        }
        if (result != kOpenOk) Reset();
        return result;
    } catch (...) {
        Reset();
        return kOpenUnreadable;
    }
}

// Mapped when the stream is a regular file, else read once into a buffer of its size; input
// beyond the size limit (or a source that never ends) is refused.
bool TPDFDocument::ReadSource(TStream& stream) {
    TPDFFileData data;
    if (!data.ReadFrom(stream, maxFileSize_)) return false;
    store_.SetData(std::move(data));
    return true;
}

std::uint8_t TPDFDocument::OpenParsed(std::u16string_view password, bool rebuildCrossReferences) {
    if (!ReadHeader()) return kOpenUnreadable;
    if (!ReadXRef() && !(rebuildCrossReferences && store_.Rebuild())) return kOpenUnreadable;
    if (Trailer()->GetValue("Encrypt")) {
        security_.EncryptionRead = false;
        const int state = EncryptionState();
        // An /Encrypt that leads to no dictionary is damage (or offsets we misread), not a
        // handler we lack.
        if (!security_.DictionaryFound) return kOpenUnreadable;
        if (state != kSupportedEncryption) return kOpenUnsupportedEncryption;
        CheckPassword(u"");
        security_.OpenedWithoutPassword = security_.UserPasswordOk;
        CheckPassword(password);
        if (!security_.UserPasswordOk && !security_.OwnerPasswordOk) return kOpenPasswordNeeded;
        if (security_.KeyMissing()) return kOpenUnreadable;
    }
    // A table that leads to no page tree is more likely wrong than the file: rebuild it. This
    // comes after the password, which objects in encrypted object streams need.
    if (!store_.HasPageTree() && !(rebuildCrossReferences && store_.Rebuild() && store_.HasPageTree()))
        return kOpenUnreadable;
    TPDFDictionary* pages = GetPagesDict();
    if (!pages) return kOpenUnreadable;
    NewPageTree(pages);
    pageTree_->SelectPage(1);
    ClearLinearization();
    return kOpenOk;
}

bool TPDFDocument::ReadHeader() {
    // A little more than the window, so that a version right at its end is whole.
    const std::string bytes = store_.DataBytes(0, kHeaderWindow + 32);
    const std::string_view head = std::string_view(bytes).substr(0, kHeaderWindow);
    std::string version;
    bool found = false;
    if (const std::size_t marker = head.find("%PDF-"); marker != std::string_view::npos) {
        version = VersionAt(bytes, marker + 5);
        found = true;
    } else if (const std::size_t ps = head.find("%!PS-Adobe-"); ps != std::string_view::npos) {
        const std::size_t pdf = std::string_view(bytes).substr(ps + 11, 20).find("PDF-");
        if (pdf != std::string_view::npos) {
            version = VersionAt(bytes, ps + 11 + pdf + 4);
            found = true;
        }
    }
    if (!found || std::count(version.begin(), version.end(), '.') > 1) return false;
    version_ = version;
    return true;
}

void TPDFDocument::RegisterObject(TPDFObject* object, std::int32_t& objectNumber, std::int32_t& generation) {
    const TPDFIndObj* entry = AddIndObj(object);
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

std::int32_t TPDFDocument::PageNumberOfRef(const TPDFIndRef* reference) {
    if (!reference || !pageTree_) return 0;
    // Every page is an indirect object, so no more pages can exist than objects.
    const std::int64_t count = std::min<std::int64_t>(pageTree_->GetPageCount(), static_cast<std::int64_t>(store_.Count()));
    for (std::int32_t page = 1; page <= count; ++page) {
        const TPDFIndRef* candidate = pageTree_->GetPageRef(page);
        if (candidate && candidate->RefObjectNumber == reference->RefObjectNumber &&
            candidate->RefGenerationNumber == reference->RefGenerationNumber)
            return page;
    }
    return 0;
}

// --- security_ -----------------------------------------------------------------------------------

int TPDFDocument::EncryptionState() {
    if (!security_.EncryptionRead) security_.ReadEncryption(Trailer());
    return security_.EncryptionState();
}

void TPDFDocument::CheckPassword(std::u16string_view password) {
    EncryptionState();
    security_.CheckPassword(password);
}

TPDFArray* TPDFDocument::GetIDArray() {
    TPDFObject* ids = Trailer()->GetValue("ID");
    if (ids && ids->Kind == kPDFKindArray) return static_cast<TPDFArray*>(ids);
    Trailer()->RemoveKey("ID");
    TPDFString* id = Structure().NewString(MD5ToString(MD5OfString(FloatToStrA(LocalNow()))), 1);
    TPDFArray* array = Structure().NewArray();
    array->Add(id);
    array->Add(id);
    Trailer()->SetValue("ID", array);
    return array;
}

// --- Catalog ------------------------------------------------------------------------------------

// The trailer's dictionary under the key; a new indirect one when it is missing or not one.
TPDFDictionary* TPDFDocument::TrailerDictionary(std::string_view key) {
    if (TPDFDictionary* present = AsDictionary(Trailer()->GetValue(key, true))) return present;
    TPDFDictionary* made = Structure().NewDictionary();
    TPDFIndObj* entry = AddIndObj(made);
    Trailer()->SetValue(key, Structure().NewIndRef(entry->ObjNum, 0));
    return made;
}

TPDFDictionary* TPDFDocument::GetRoot() { return TrailerDictionary("Root"); }

TPDFDictionary* TPDFDocument::GetPagesDict() { return AsDictionary(GetRoot()->GetValue("Pages", true)); }

TPDFDictionary* TPDFDocument::GetInfo() { return TrailerDictionary("Info"); }

bool TPDFDocument::NewEmptyDocument() {
    Reset();
    version_ = "1.4";
    TPDFDictionary* pages = Structure().NewDictionary();
    AddIndObj(pages);
    TPDFDictionary* page = Structure().NewDictionary();
    AddIndObj(page);
    TPDFDictionary* catalog = Structure().NewDictionary();
    AddIndObj(catalog);
    TPDFDictionary* info = Structure().NewDictionary();
    AddIndObj(info);

    auto box = [this] {
        const std::vector<std::int32_t> corners{0, 0, 612, 792};
        return Structure().NewIntegerArray(corners);
    };
    pages->SetValue("Type", Structure().GetCommonName("Pages"));
    pages->SetValue("Count", Structure().NewNumeric(1));
    TPDFArray* kids = Structure().NewArray();
    kids->Add(Structure().NewIndRef(page->ObjectNumber, 0));
    pages->SetValue("Kids", kids);

    page->SetValue("Type", Structure().GetCommonName("Page"));
    page->SetValue("Parent", Structure().NewIndRef(pages->ObjectNumber, 0));
    page->SetValue("MediaBox", box());
    page->SetValue("CropBox", box());
    TPDFDictionary* resources = Structure().NewDictionary();
    TPDFArray* procSet = Structure().NewArray();
    for (const char* name : {"PDF", "Text", "ImageB", "ImageC", "ImageI"}) procSet->Add(Structure().NewName(name));
    resources->SetValue("ProcSet", procSet);
    page->SetValue("Resources", resources);

    catalog->SetValue("Type", Structure().GetCommonName("Catalog"));
    catalog->SetValue("Pages", Structure().NewIndRef(pages->ObjectNumber, 0));

    Trailer()->SetValue("Root", Structure().NewIndRef(catalog->ObjectNumber, 0));
    Trailer()->SetValue("Info", Structure().NewIndRef(info->ObjectNumber, 0));
    GetIDArray();
    NewPageTree(pages);
    pageTree_->SelectPage(1);
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

void TPDFDocument::SetInformation(const std::vector<std::pair<std::string_view, std::u16string>>& entries) {
    std::vector<TXMPProperty> properties;
    for (const auto& [key, value] : entries) {
        SetInfoEntry(key, WideToPDFTextString(value, false));
        const InfoMirror* mirror = MirrorOfInfoKey(key);
        const std::string text = WideToUtf8(value);
        if (mirror) properties.push_back({mirror->Prefix, mirror->LocalName, mirror->Date ? PDFDateToXMPDate(text) : text});
    }
    // Parsing and rewriting the packet per entry costs an XML round trip each; a document
    // without a packet gets the same one written directly.
    const bool mirrored = properties.size() == entries.size() && !properties.empty();
    const std::string fresh = mirrored && GetMetadata().empty() ? FreshPacketText(properties) : std::string();
    if (!fresh.empty()) {
        SetMetadata(fresh);
        return;
    }
    for (const auto& [key, value] : entries) SetInformation(key, value);
}

void TPDFDocument::SetInfoEntry(std::string_view key, const std::string& value) {
    TPDFDictionary* info = GetInfo();
    TPDFObject* present = info->GetValue(key, true);
    if (present && present->Kind == kPDFKindString) {
        static_cast<TPDFString*>(present)->SetValue(value);
        return;
    }
    if (TPDFStream* stream = AsStream(present)) stream->SetData({}, false);
    info->SetValue(key, Structure().NewString(value, 0));
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
        return GetDecodedData(*stream);
    } catch (const Exception&) {
        return {};
    }
}

void TPDFDocument::SetMetadata(const std::string& packet) {
    if (EncryptionState() != kNotEncrypted) return;
    TPDFDictionary* catalog = GetRoot();
    TPDFStream* stream = AsStream(catalog->GetValue("Metadata", true));
    if (!stream) {
        stream = Structure().NewStream({}, false);
        TPDFIndObj* entry = AddIndObj(stream);
        catalog->SetValue("Metadata", Structure().NewIndRef(entry->ObjNum, 0));
    }
    stream->StreamDict->SetValue("Type", Structure().GetCommonName("Metadata"));
    stream->StreamDict->SetValue("Subtype", Structure().GetCommonName("XML"));
    stream->SetData(packet, false);
}

// --- fonts_ --------------------------------------------------------------------------------------

TPDFFont* TPDFDocument::AddStandardFont(int index) {
    if (index < 0 || index > 13) return nullptr;
    ++fontCounter_;
    auto font = std::make_unique<TPDFFont>(&Structure(), "ScrivletF" + NewRandomId());
    font->MakeStandardFont(kStandardFontNames[index], index + 1);
    fonts_.push_back(std::move(font));
    return fonts_.back().get();
}

TPDFFont* TPDFDocument::GetFont(int index) const {
    if (index < 0 || index >= FontCount()) return nullptr;
    return fonts_[static_cast<std::size_t>(index)].get();
}

bool TPDFDocument::HasFont(const void* object) const {
    return std::any_of(fonts_.begin(), fonts_.end(), [object](const auto& font) { return font.get() == object; });
}

// --- Linearization ------------------------------------------------------------------------------

// The linearization dictionary describes the file as written; once objects may change it is
// wrong, so its entries go.
void TPDFDocument::ClearLinearization() {
    const std::string head = store_.DataBytes(0, kHeaderWindow);
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

