#include "pdf/core/ScrivletStructure.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/asan_interface.h>
#endif

#include "base/SysUtils.h"
#include "pdf/core/ScrivletFilters.h"

namespace parch {

const std::string_view kPDFCommonNames =
    "[MediaBox][Length][CropBox][Type][Subtype][Name][Pages][Page][Parent][Font][Contents]"
    "[BaseFont][PDF][Text][ImageB][ImageC][ImageI][Resources][ProcSet][ExtGState][Type1]"
    "[TrueType][WinAnsiEncoding][Filter][FlateDecode][Annot][URI][Goto][XYZ][dWRM][Scrivlet]";

namespace {

bool IsCommonName(std::string_view bytes) {
    // A match counts only when it fills one bracketed entry of the list.
    for (std::size_t at = kPDFCommonNames.find(bytes); at != std::string_view::npos;
         at = kPDFCommonNames.find(bytes, at + 1)) {
        const std::size_t end = at + bytes.size();
        if (at > 0 && kPDFCommonNames[at - 1] == '[' && end < kPDFCommonNames.size() &&
            kPDFCommonNames[end] == ']')
            return true;
    }
    return false;
}

void RemoveFromPool(TPDFObject* object) {
    if (object && object->Structure) object->Structure->RemoveObject(object);
}

// Growth rule shared by the pool and the arrays: exactly `count` free slots afterwards.
template <typename Vector>
void ReserveFreeSlots(Vector& slots, std::int32_t& freeSlots, int count) {
    if (freeSlots >= count) return;
    slots.resize(slots.size() + static_cast<std::size_t>(count - freeSlots));
    freeSlots = count;
}

}  // namespace

// ---- TPDFObjectArena

// Blocks for one structure's objects: bump allocation from large chunks, and freed blocks kept
// in lists by size for the next object of that size. Every block starts with a header naming
// its arena (none for heap blocks) and its size, which is how delete finds where a block goes
// back.
class TPDFObjectArena {
public:
    static constexpr std::size_t kHeader = alignof(std::max_align_t);

    void* Allocate(std::size_t size) {
        const std::size_t total = RoundUp(size + kHeader);
        if (total > kLargestPooled) return Attach(::operator new(total), nullptr, total);
        FreeBlock*& list = freeLists_[total / kGranule];
        void* block;
        if (list) {
            block = list;
            Unpoison(block, total);
            list = list->Next;
        } else {
            if (chunkLeft_ < total) NewChunk();
            block = chunkNext_;
            chunkNext_ += total;
            chunkLeft_ -= total;
            Unpoison(block, total);
        }
        return Attach(block, this, total);
    }

    static void* AllocateFromHeap(std::size_t size) {
        return Attach(::operator new(size + kHeader), nullptr, size + kHeader);
    }

    static void Free(void* memory) {
        if (!memory) return;
        std::byte* block = static_cast<std::byte*>(memory) - kHeader;
        const Header header = *reinterpret_cast<Header*>(block);
        TPDFObjectArena* arena = header.Arena;
        const std::size_t total = header.Size;
        if (!arena) {
            ::operator delete(block);
            return;
        }
        auto* freed = reinterpret_cast<FreeBlock*>(block);
        FreeBlock*& list = arena->freeLists_[total / kGranule];
        freed->Next = list;
        list = freed;
        Poison(block + sizeof(FreeBlock), total - sizeof(FreeBlock));
    }

private:
    struct Header {
        TPDFObjectArena* Arena;
        std::size_t Size;
    };
    static_assert(sizeof(Header) <= kHeader);

    struct FreeBlock {
        FreeBlock* Next;
    };

    static constexpr std::size_t kGranule = 16;
    static constexpr std::size_t kLargestPooled = 256;
    static constexpr std::size_t kChunk = 64 * 1024;

    static std::size_t RoundUp(std::size_t size) {
        return (size + kGranule - 1) / kGranule * kGranule;
    }

    static void* Attach(void* block, TPDFObjectArena* arena, std::size_t size) {
        *static_cast<Header*>(block) = {arena, size};
        return static_cast<std::byte*>(block) + kHeader;
    }

    void NewChunk() {
        chunks_.push_back(std::make_unique_for_overwrite<std::byte[]>(kChunk));
        chunkNext_ = chunks_.back().get();
        chunkLeft_ = kChunk;
        Poison(chunkNext_, kChunk);
    }

    // Under the address sanitizer, free arena memory stays poisoned, so that a use after
    // free is caught as it would be with heap blocks.
    static void Poison(void* memory, std::size_t size) {
#ifdef __SANITIZE_ADDRESS__
        ASAN_POISON_MEMORY_REGION(memory, size);
#else
        (void)memory;
        (void)size;
#endif
    }
    static void Unpoison(void* memory, std::size_t size) {
#ifdef __SANITIZE_ADDRESS__
        ASAN_UNPOISON_MEMORY_REGION(memory, size);
#else
        (void)memory;
        (void)size;
#endif
    }

    std::vector<std::unique_ptr<std::byte[]>> chunks_;
    std::byte* chunkNext_ = nullptr;
    std::size_t chunkLeft_ = 0;
    FreeBlock* freeLists_[kLargestPooled / kGranule + 1] = {};
};

// ---- TPDFObject

TPDFObject::TPDFObject(TPDFStructure* structure) : Structure(structure) {}

void* TPDFObject::operator new(std::size_t size) { return TPDFObjectArena::AllocateFromHeap(size); }

void* TPDFObject::operator new(std::size_t size, TPDFObjectArena& arena) {
    return arena.Allocate(size);
}

void TPDFObject::operator delete(void* memory) { TPDFObjectArena::Free(memory); }

void TPDFObject::operator delete(void* memory, TPDFObjectArena&) { TPDFObjectArena::Free(memory); }

void TPDFObject::Release() { RemoveFromPool(this); }

std::string TPDFObject::ToText() const {
    std::string text;
    Serialize(text);
    return text;
}

void TPDFObject::SetIndirect(std::int32_t objectNumber, std::int32_t generationNumber) {
    ObjectNumber = objectNumber;
    GenerationNumber = generationNumber;
    Indirect = true;
}

// ---- simple objects

TPDFName::TPDFName(TPDFStructure* structure, std::string bytes)
    : TPDFObject(structure), NameBytes(std::move(bytes)) {
    Kind = kPDFKindName;
}

void TPDFName::Serialize(std::string& text) const {
    static constexpr char kHex[] = "0123456789ABCDEF";
    static constexpr std::string_view kEscaped = "#%()/<>[]{}";
    text += '/';
    for (char c : NameBytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 32 || byte >= 127 || kEscaped.find(c) != std::string_view::npos) {
            text += '#';
            text += kHex[byte >> 4];
            text += kHex[byte & 15];
        } else {
            text += c;
        }
    }
}

TPDFNull::TPDFNull(TPDFStructure* structure) : TPDFObject(structure) { Kind = kPDFKindNull; }

void TPDFNull::Serialize(std::string& text) const { text += "null"; }

TPDFBoolean::TPDFBoolean(TPDFStructure* structure, bool truth)
    : TPDFObject(structure), Truth(truth) {
    Kind = kPDFKindBoolean;
}

void TPDFBoolean::Serialize(std::string& text) const { text += Truth ? "true" : "false"; }

TPDFNumeric::TPDFNumeric(TPDFStructure* structure, double number)
    : TPDFObject(structure), Number(number) {
    Kind = kPDFKindNumeric;
}

void TPDFNumeric::Serialize(std::string& text) const {
    // The reader takes integer parts up to 64 bits; beyond that the largest one is written,
    // so that what is written always reads back.
    constexpr double kLimit = 9223372036854774784.0;  // the largest double below 2^63
    text += FloatToPDFStr(Structure ? Structure->DecimalPlaces : 4,
                          std::isnan(Number) ? 0 : std::clamp(Number, -kLimit, kLimit));
}

std::int64_t TPDFNumeric::GetInteger() const {
    try {
        return RoundHalfEven(Number);
    } catch (const EConvertError&) {
        return 0;
    }
}

TPDFString::TPDFString(TPDFStructure* structure, std::string bytes, std::uint8_t form)
    : TPDFObject(structure), Bytes(std::move(bytes)), Form(form) {
    Kind = kPDFKindString;
}

void TPDFString::Serialize(std::string& text) const {
    if (Form == 0) {
        text += '(';
        for (char c : Bytes) {
            switch (c) {
                case '\b': text += "\\b"; break;
                case '\t': text += "\\t"; break;
                case '\n': text += "\\n"; break;
                case '\f': text += "\\f"; break;
                case '\r': text += "\\r"; break;
                case '(': text += "\\("; break;
                case ')': text += "\\)"; break;
                case '\\': text += "\\\\"; break;
                default: text += c;
            }
        }
        text += ')';
    } else if (Form == 1) {
        text += '<';
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (char c : Bytes) {
            auto byte = static_cast<unsigned char>(c);
            text += kHex[byte >> 4];
            text += kHex[byte & 15];
        }
        text += '>';
    }
}

TPDFIndRef::TPDFIndRef(TPDFStructure* structure, std::int32_t objectNumber,
                       std::int32_t generationNumber)
    : TPDFObject(structure), RefGenerationNumber(generationNumber), RefObjectNumber(objectNumber) {
    Kind = kPDFKindIndRef;
}

void TPDFIndRef::Serialize(std::string& text) const {
    text += std::to_string(RefObjectNumber);
    text += ' ';
    text += std::to_string(RefGenerationNumber);
    text += " R";
}

void TPDFIndRef::OffsetObjectNumbers(std::int32_t delta) {
    RefObjectNumber = static_cast<std::int32_t>(static_cast<std::uint32_t>(RefObjectNumber) +
                                                static_cast<std::uint32_t>(delta));
}

TPDFObject* TPDFIndRef::Resolve() const {
    if (!Structure || !Structure->OnIndirectLookup) return nullptr;
    return Structure->OnIndirectLookup(const_cast<TPDFIndRef*>(this), RefObjectNumber,
                                       RefGenerationNumber);
}

// ---- TPDFDictionary

TPDFDictionary::TPDFDictionary(TPDFStructure* structure) : TPDFObject(structure) {
    Kind = kPDFKindDictionary;
}

void TPDFDictionary::Serialize(std::string& text) const {
    const bool multiLine = Structure ? Structure->MultiLineDictionaries : true;
    const bool breakLines = Pairs.size() > 1 || multiLine;
    text += "<<";
    text += breakLines ? '\n' : ' ';
    for (const TPDFPair& pair : Pairs) {
        const std::size_t mark = text.size();
        try {
            if (pair.Key) pair.Key->Serialize(text);
            text += ' ';
            if (pair.Value) pair.Value->Serialize(text);
            if (breakLines && text.back() != '\n') text += '\n';
        } catch (const std::exception&) {
            text.resize(mark);
            text += "% bug \n";
        }
    }
    if (Pairs.size() == 1 && !multiLine) text += ' ';
    text += ">>\n";
}

void TPDFDictionary::Release() {
    for (const TPDFPair& pair : Pairs) {
        if (pair.Key) pair.Key->Release();
        if (pair.Value) pair.Value->Release();
    }
    TPDFObject::Release();
}

void TPDFDictionary::OffsetObjectNumbers(std::int32_t delta) {
    for (const TPDFPair& pair : Pairs)
        if (pair.Value) pair.Value->OffsetObjectNumbers(delta);
}

bool TPDFDictionary::References(const TPDFObject* object) const {
    return std::any_of(Pairs.begin(), Pairs.end(), [object](const TPDFPair& pair) {
        return pair.Key == object || pair.Value == object;
    });
}

TPDFObject* TPDFDictionary::GetValue(std::string_view key, bool resolve) const {
    int index = IndexOfKey(key);
    if (index < 0) return nullptr;
    TPDFObject* value = Pairs[static_cast<std::size_t>(index)].Value;
    if (resolve && value && value->Kind == kPDFKindIndRef)
        return static_cast<TPDFIndRef*>(value)->Resolve();
    return value;
}

std::int64_t TPDFDictionary::GetInteger(std::string_view key, std::int64_t fallback) const {
    TPDFObject* value = GetValue(key, true);
    if (value && value->Kind == kPDFKindNumeric)
        return static_cast<TPDFNumeric*>(value)->GetInteger();
    return fallback;
}

std::string TPDFDictionary::GetTypeName() const {
    TPDFObject* value = GetValue("Type");
    if (value && value->Kind == kPDFKindName) return static_cast<TPDFName*>(value)->NameBytes;
    return {};
}

void TPDFDictionary::SetValue(std::string_view key, TPDFObject* value) {
    if (value == this || !Structure) return;
    PutPair(Structure->GetCommonName(key), value);
}

void TPDFDictionary::PutPair(TPDFName* key, TPDFObject* value) {
    int index = key ? IndexOfKey(key->NameBytes) : -1;
    if (index >= 0)
        Pairs[static_cast<std::size_t>(index)] = {key, value};
    else
        Pairs.push_back({key, value});
}

int TPDFDictionary::IndexOfKey(std::string_view key) const {
    for (std::size_t i = 0; i < Pairs.size(); ++i)
        if (Pairs[i].Key && Pairs[i].Key->NameBytes == key) return static_cast<int>(i);
    return -1;
}

TPDFPair TPDFDictionary::GetEntry(int index) const {
    if (index < 0 || index >= GetCount()) return {};
    return Pairs[static_cast<std::size_t>(index)];
}

void TPDFDictionary::RemoveKey(std::string_view key) {
    int index = IndexOfKey(key);
    if (index >= 0) Pairs.erase(Pairs.begin() + index);
}

void TPDFDictionary::DeleteKey(std::string_view key) {
    int index = IndexOfKey(key);
    if (index < 0) return;
    TPDFPair pair = Pairs[static_cast<std::size_t>(index)];
    if (pair.Value &&
        (pair.Value->Kind == kPDFKindDictionary || pair.Value->Kind == kPDFKindArray))
        pair.Value->Release();
    if (!IsCommonName(key)) RemoveFromPool(pair.Key);
    Pairs.erase(Pairs.begin() + index);
}

void TPDFDictionary::Clear() {
    for (const TPDFPair& pair : Pairs) {
        RemoveFromPool(pair.Key);
        RemoveFromPool(pair.Value);
    }
    Pairs.clear();
}

// ---- TPDFArray

TPDFArray::TPDFArray(TPDFStructure* structure) : TPDFObject(structure) { Kind = kPDFKindArray; }

void TPDFArray::Serialize(std::string& text) const {
    static constexpr std::size_t kLineLength = 80;
    text += "[ ";
    std::size_t lineStart = text.size() - 2;
    for (int i = 0; i < GetCount(); ++i) {
        if (TPDFObject* item = Elements[static_cast<std::size_t>(i)]) item->Serialize(text);
        if (text.back() != '\n') text += ' ';
        if (text.size() - lineStart > kLineLength) {
            text += '\n';
            lineStart = text.size();
        }
    }
    text += ']';
}

void TPDFArray::Release() {
    for (int i = 0; i < GetCount(); ++i)
        if (TPDFObject* item = Elements[static_cast<std::size_t>(i)]) item->Release();
    TPDFObject::Release();
}

void TPDFArray::OffsetObjectNumbers(std::int32_t delta) {
    for (int i = 0; i < GetCount(); ++i)
        if (TPDFObject* item = Elements[static_cast<std::size_t>(i)])
            item->OffsetObjectNumbers(delta);
}

bool TPDFArray::References(const TPDFObject* object) const {
    auto used = Elements.begin() + GetCount();
    return std::find(Elements.begin(), used, object) != used;
}

void TPDFArray::Add(TPDFObject* object) {
    if (FreeSlots == 0) {
        Elements.push_back(object);
        return;
    }
    Elements[static_cast<std::size_t>(GetCount())] = object;
    --FreeSlots;
}

TPDFObject* TPDFArray::GetItem(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return Elements[static_cast<std::size_t>(index)];
}

void TPDFArray::Delete(int index) {
    if (index < 0 || index >= GetCount()) return;
    RemoveFromPool(Elements[static_cast<std::size_t>(index)]);
    Elements.erase(Elements.begin() + index);
    Elements.push_back(nullptr);
    ++FreeSlots;
}

void TPDFArray::ReplaceItem(int index, TPDFObject* object) {
    if (index < 0 || index >= GetCount()) return;
    RemoveFromPool(Elements[static_cast<std::size_t>(index)]);
    Elements[static_cast<std::size_t>(index)] = object;
}

void TPDFArray::ReserveSlots(int count) { ReserveFreeSlots(Elements, FreeSlots, count); }

bool TPDFArray::IsNumberArray() const {
    for (int i = 0; i < GetCount(); ++i) {
        TPDFObject* item = Elements[static_cast<std::size_t>(i)];
        if (!item || item->Kind != kPDFKindNumeric) return false;
    }
    return true;
}

// ---- TPDFStream

TPDFStream::TPDFStream(TPDFStructure* structure) : TPDFObject(structure) {
    Kind = kPDFKindStream;
    if (structure) {
        StreamDict = structure->NewDictionary();
    } else {
        unpooledDict_ = std::make_unique<TPDFDictionary>(nullptr);
        StreamDict = unpooledDict_.get();
    }
}

void TPDFStream::Serialize(std::string& text) const {
    if (StreamDict) StreamDict->Serialize(text);
    text += "stream\n";
    text += Data;
    text += "\nendstream";
}

void TPDFStream::Release() {
    // The dictionary leaves the pool only after the stream itself, so that a stream still
    // held elsewhere never points at a freed dictionary.
    TPDFDictionary* dictionary = StreamDict;
    TPDFStructure* structure = Structure;
    if (structure && structure->RemoveObject(this) && dictionary) dictionary->Release();
}

void TPDFStream::OffsetObjectNumbers(std::int32_t delta) {
    if (StreamDict) StreamDict->OffsetObjectNumbers(delta);
}

bool TPDFStream::References(const TPDFObject* object) const {
    return StreamDict && (object == StreamDict || StreamDict->References(object));
}

void TPDFStream::SetRawData(std::string bytes) {
    Data = std::move(bytes);
    const auto count = static_cast<double>(Data.size());
    TPDFObject* length = StreamDict->GetValue("Length");
    if (length && length->Kind == kPDFKindNumeric)
        static_cast<TPDFNumeric*>(length)->SetValue(count);
    else if (Structure)
        StreamDict->SetValue("Length", Structure->NewNumeric(count));
}

void TPDFStream::SetData(std::string_view bytes, bool compress) {
    if (compress) {
        SetRawData(FlateCompressStr(bytes));
        StreamDict->DeleteKey("Filter");
        if (Structure) StreamDict->SetValue("Filter", Structure->NewName("FlateDecode"));
    } else {
        SetRawData(std::string(bytes));
        StreamDict->DeleteKey("Filter");
    }
}

void TPDFStream::SetDictionary(TPDFDictionary* dictionary) {
    TPDFDictionary* old = StreamDict;
    StreamDict = dictionary;
    if (old != dictionary) RemoveFromPool(old);
}

// ---- TPDFStructure

TPDFStructure::TPDFStructure() : arena_(std::make_unique<TPDFObjectArena>()) { Clear(); }

TPDFStructure::~TPDFStructure() = default;

void TPDFStructure::Clear() {
    Pool.clear();
    FreeSlots = 0;
    DecimalPlaces = 4;
    MultiLineDictionaries = true;
}

template <typename T, typename... Args>
T* TPDFStructure::Make(Args&&... args) {
    std::unique_ptr<T> object(new (*arena_) T(this, std::forward<Args>(args)...));
    T* result = object.get();
    AddToPool(std::move(object));
    return result;
}

TPDFNull* TPDFStructure::NewNull() { return Make<TPDFNull>(); }
TPDFDictionary* TPDFStructure::NewDictionary() { return Make<TPDFDictionary>(); }
TPDFArray* TPDFStructure::NewArray() { return Make<TPDFArray>(); }
TPDFBoolean* TPDFStructure::NewBoolean(bool value) { return Make<TPDFBoolean>(value); }
TPDFNumeric* TPDFStructure::NewNumeric(double value) { return Make<TPDFNumeric>(value); }
TPDFName* TPDFStructure::NewName(std::string bytes) { return Make<TPDFName>(std::move(bytes)); }

TPDFString* TPDFStructure::NewString(std::string bytes, std::uint8_t form) {
    return Make<TPDFString>(std::move(bytes), form);
}

TPDFIndRef* TPDFStructure::NewIndRef(std::int32_t objectNumber, std::int32_t generationNumber) {
    return Make<TPDFIndRef>(objectNumber, generationNumber);
}

TPDFStream* TPDFStructure::NewStream(std::string_view bytes, bool compress) {
    TPDFStream* stream = Make<TPDFStream>();
    stream->SetData(bytes, compress);
    return stream;
}

TPDFArray* TPDFStructure::NewArrayOfObjects(const TPDFObject* const* objects, int highIndex) {
    TPDFArray* array = NewArray();
    for (int i = 0; i <= highIndex; ++i) array->Add(const_cast<TPDFObject*>(objects[i]));
    return array;
}

TPDFArray* TPDFStructure::NewArrayOfObjects(const std::vector<TPDFObject*>& objects) {
    return NewArrayOfObjects(objects.data(), static_cast<int>(objects.size()) - 1);
}

TPDFArray* TPDFStructure::NewIntegerArray(const std::int32_t* integers, int highIndex) {
    TPDFArray* array = NewArray();
    for (int i = 0; i <= highIndex; ++i) array->Add(NewNumeric(integers[i]));
    return array;
}

TPDFArray* TPDFStructure::NewIntegerArray(const std::vector<std::int32_t>& integers) {
    return NewIntegerArray(integers.data(), static_cast<int>(integers.size()) - 1);
}

TPDFName* TPDFStructure::GetCommonName(std::string_view bytes) {
    TPDFName* name = IsCommonName(bytes) ? FindName(bytes) : nullptr;
    if (!name) name = NewName(std::string(bytes));
    name->Interned = true;
    return name;
}

TPDFName* TPDFStructure::FindName(std::string_view bytes) const {
    for (int i = 0; i < PoolCount(); ++i) {
        TPDFObject* object = Pool[static_cast<std::size_t>(i)].get();
        if (object->Kind == kPDFKindName && static_cast<TPDFName*>(object)->NameBytes == bytes)
            return static_cast<TPDFName*>(object);
    }
    return nullptr;
}

bool TPDFStructure::RemoveObject(TPDFObject* object) {
    if (!object) return false;
    int index = PoolCount() - 1;
    while (index >= 0 && Pool[static_cast<std::size_t>(index)].get() != object) --index;
    if (index < 0) return false;
    if (object->Kind == kPDFKindName && static_cast<TPDFName*>(object)->Interned) return false;
    for (int i = 0; i < PoolCount(); ++i)
        if (Pool[static_cast<std::size_t>(i)]->References(object)) return false;
    const auto first = Pool.begin() + index;
    const auto usedEnd = Pool.begin() + PoolCount();
    std::rotate(first, first + 1, usedEnd);
    (usedEnd - 1)->reset();
    ++FreeSlots;
    return true;
}

void TPDFStructure::AddToPool(std::unique_ptr<TPDFObject> object) {
    if (FreeSlots < 100) ReserveSlots(1000);
    Pool[static_cast<std::size_t>(PoolCount())] = std::move(object);
    --FreeSlots;
}

void TPDFStructure::ReserveSlots(int count) { ReserveFreeSlots(Pool, FreeSlots, count); }

TPDFObject* TPDFStructure::PoolItem(int index) const {
    if (index < 0 || index >= PoolCount()) return nullptr;
    return Pool[static_cast<std::size_t>(index)].get();
}

}  // namespace parch
