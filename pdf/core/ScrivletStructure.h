#pragma once
// The PDF object model: every PDF value is a TPDFObject owned by the TPDFStructure that made it.
// Users never free a pooled object; they detach it, and the structure frees everything at once
// when it is cleared or destroyed. The model knows no file syntax: the parser (ScrivletParser)
// builds objects from text, and stream data is decoded by ScrivletStreamData.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/NumberText.h"

namespace parch {

class TPDFStructure;
class TPDFName;
class TPDFDictionary;
class TPDFIndRef;
class TPDFObjectStream;
class TPDFObjectArena;

// Kind letters, stored in every object so callers can switch on them.
inline constexpr char kPDFKindNone = 0;
inline constexpr char kPDFKindName = 'N';
inline constexpr char kPDFKindDictionary = 'D';
inline constexpr char kPDFKindNull = '0';
inline constexpr char kPDFKindBoolean = 'B';
inline constexpr char kPDFKindNumeric = 'n';
inline constexpr char kPDFKindString = 's';
inline constexpr char kPDFKindArray = 'A';
inline constexpr char kPDFKindStream = 'S';
inline constexpr char kPDFKindIndRef = 'I';

class TPDFObject {
public:
    explicit TPDFObject(TPDFStructure* structure);
    virtual ~TPDFObject() = default;
    TPDFObject(const TPDFObject&) = delete;
    TPDFObject& operator=(const TPDFObject&) = delete;

    // Appends the object's PDF text to `text`.
    virtual void Serialize(std::string& text) const = 0;
    // Detaches the object (and the children it holds) from its structure's pool.
    virtual void Release();
    // Adds delta to the target number of every reference inside the object.
    virtual void OffsetObjectNumbers(std::int32_t delta) {}
    // Does this object hold `object` directly (one level deep)? A stream holds its dictionary
    // and what the dictionary holds.
    virtual bool References(const TPDFObject* object) const { return false; }

    std::string ToText() const;
    void SetIndirect(std::int32_t objectNumber, std::int32_t generationNumber);

    // A structure makes its objects in blocks of its own, so that parsing does not pay for one
    // heap allocation per object; objects made elsewhere come from the heap. Either kind is
    // freed with plain delete.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, TPDFObjectArena& arena);
    static void operator delete(void* memory);
    static void operator delete(void* memory, TPDFObjectArena& arena);

    TPDFStructure* Structure;
    bool Indirect = false;
    std::int32_t ObjectNumber = 0;
    std::int32_t GenerationNumber = 0;
    char Kind = kPDFKindNone;
};

class TPDFName : public TPDFObject {
public:
    explicit TPDFName(TPDFStructure* structure, std::string bytes = {});
    void Serialize(std::string& text) const override;
    void SetValue(std::string bytes) { NameBytes = std::move(bytes); }

    std::string NameBytes;  // without the slash, "#xx" escapes decoded
    bool Interned = false;  // interned names are never removed from the pool
};

class TPDFNull : public TPDFObject {
public:
    explicit TPDFNull(TPDFStructure* structure);
    void Serialize(std::string& text) const override;
};

class TPDFBoolean : public TPDFObject {
public:
    explicit TPDFBoolean(TPDFStructure* structure, bool truth = false);
    void Serialize(std::string& text) const override;
    bool GetValue() const { return Truth; }
    void SetValue(bool truth) { Truth = truth; }

    bool Truth;
};

class TPDFNumeric : public TPDFObject {
public:
    explicit TPDFNumeric(TPDFStructure* structure, double number = 0);
    void Serialize(std::string& text) const override;
    double GetValue() const { return Number; }
    // Rounded half to even; values outside 64 bits (or not finite) give 0.
    std::int64_t GetInteger() const;
    void SetValue(double number) { Number = number; }

    double Number;
};

// Form 0 writes a literal string "( )", form 1 a hexadecimal string "< >".
class TPDFString : public TPDFObject {
public:
    explicit TPDFString(TPDFStructure* structure, std::string bytes = {}, std::uint8_t form = 0);
    void Serialize(std::string& text) const override;
    const std::string& GetValue() const { return Bytes; }
    void SetValue(std::string bytes) { Bytes = std::move(bytes); }

    std::string Bytes;  // unescaped
    std::uint8_t Form;
};

class TPDFIndRef : public TPDFObject {
public:
    TPDFIndRef(TPDFStructure* structure, std::int32_t objectNumber = 0,
               std::int32_t generationNumber = 0);
    void Serialize(std::string& text) const override;
    void OffsetObjectNumbers(std::int32_t delta) override;
    // The target through the structure's look-up callback; nil without one.
    TPDFObject* Resolve() const;

    std::int32_t RefGenerationNumber;
    std::int32_t RefObjectNumber;
};

struct TPDFPair {
    TPDFName* Key = nullptr;
    TPDFObject* Value = nullptr;
};

// Entries in insertion order; keys compare by their bytes, case-sensitive.
class TPDFDictionary : public TPDFObject {
public:
    explicit TPDFDictionary(TPDFStructure* structure);
    void Serialize(std::string& text) const override;
    void Release() override;
    void OffsetObjectNumbers(std::int32_t delta) override;
    bool References(const TPDFObject* object) const override;

    // The value of the first entry with these key bytes; with `resolve` a reference is
    // resolved one step (the result may be nil).
    TPDFObject* GetValue(std::string_view key, bool resolve = false) const;
    // A numeric value (a reference resolved) rounded half to even, else the default.
    std::int64_t GetInteger(std::string_view key, std::int64_t fallback) const;
    // The bytes of an unresolved /Type name, else empty.
    std::string GetTypeName() const;
    // Stores the value under an interned key; ignored when the value is this dictionary.
    void SetValue(std::string_view key, TPDFObject* value);
    // Replaces the first entry with the key's bytes in place, else appends.
    void PutPair(TPDFName* key, TPDFObject* value);
    int IndexOfKey(std::string_view key) const;
    int GetCount() const { return static_cast<int>(Pairs.size()); }
    // Both nil when the index is out of range.
    TPDFPair GetEntry(int index) const;
    // Unlinks the entry; its objects stay in the pool.
    void RemoveKey(std::string_view key);
    // Releases a container value, asks the pool to free the key unless it is a common name,
    // and unlinks the entry.
    void DeleteKey(std::string_view key);
    void Clear();

    std::vector<TPDFPair> Pairs;
};

class TPDFArray : public TPDFObject {
public:
    explicit TPDFArray(TPDFStructure* structure);
    void Serialize(std::string& text) const override;
    void Release() override;
    void OffsetObjectNumbers(std::int32_t delta) override;
    bool References(const TPDFObject* object) const override;

    void Add(TPDFObject* object);
    int GetCount() const { return static_cast<int>(Elements.size()) - FreeSlots; }
    TPDFObject* GetItem(int index) const;  // nil out of range
    void Delete(int index);
    void ReplaceItem(int index, TPDFObject* object);
    // Grows the element array so that at least `count` slots are free.
    void ReserveSlots(int count);
    bool IsNumberArray() const;

    std::int32_t FreeSlots = 0;
    std::vector<TPDFObject*> Elements;  // the last FreeSlots entries are free
};

class TPDFStream : public TPDFObject {
public:
    explicit TPDFStream(TPDFStructure* structure);
    void Serialize(std::string& text) const override;
    void Release() override;
    void OffsetObjectNumbers(std::int32_t delta) override;
    bool References(const TPDFObject* object) const override;

    // Stores the bytes as they are and keeps /Length equal to their count.
    void SetRawData(std::string bytes);
    // With `compress` the bytes are stored Flate-compressed with /Filter /FlateDecode;
    // without, unchanged and without /Filter.
    void SetData(std::string_view bytes, bool compress);
    void SetDictionary(TPDFDictionary* dictionary);

    TPDFDictionary* StreamDict;
    std::string Data;                         // raw, still filtered
    TPDFObjectStream* Attachment = nullptr;  // not owned

private:
    std::unique_ptr<TPDFDictionary> unpooledDict_;  // only for a stream made outside every pool
};

// Gives the object of a reference, or nil.
using TPDFIndirectLookup = std::function<TPDFObject*(
    TPDFIndRef* reference, std::int32_t objectNumber, std::int32_t generationNumber)>;
// Makes `object` (a dictionary or a stream) a new indirect object and gives its numbers.
using TPDFNewIndirectObject =
    std::function<void(TPDFObject* sender, TPDFObject* object, std::int32_t& objectNumber,
                       std::int32_t& generationNumber)>;

class TPDFStructure {
public:
    TPDFStructure();
    ~TPDFStructure();
    TPDFStructure(const TPDFStructure&) = delete;
    TPDFStructure& operator=(const TPDFStructure&) = delete;

    // Frees every object and restores the defaults.
    void Clear();

    TPDFNull* NewNull();
    TPDFDictionary* NewDictionary();
    TPDFArray* NewArray();
    TPDFBoolean* NewBoolean(bool value);
    TPDFNumeric* NewNumeric(double value);
    TPDFName* NewName(std::string bytes);
    TPDFString* NewString(std::string bytes, std::uint8_t form);
    TPDFIndRef* NewIndRef(std::int32_t objectNumber, std::int32_t generationNumber);
    TPDFStream* NewStream(std::string_view bytes, bool compress);
    // Positions 0 to highIndex inclusive.
    TPDFArray* NewArrayOfObjects(const TPDFObject* const* objects, int highIndex);
    TPDFArray* NewArrayOfObjects(const std::vector<TPDFObject*>& objects);
    TPDFArray* NewIntegerArray(const std::int32_t* integers, int highIndex);
    TPDFArray* NewIntegerArray(const std::vector<std::int32_t>& integers);

    // The name to use as a dictionary key: listed common names are shared; every returned
    // name is interned.
    TPDFName* GetCommonName(std::string_view bytes);
    TPDFName* FindName(std::string_view bytes) const;
    // Frees the object unless it is not pooled, is an interned name, or is still held by a
    // pooled object (a stream holds its dictionary). True when it was freed.
    bool RemoveObject(TPDFObject* object);
    void AddToPool(std::unique_ptr<TPDFObject> object);
    void ReserveSlots(int count);
    int PoolCount() const { return static_cast<int>(Pool.size()) - FreeSlots; }
    int PoolCapacity() const { return static_cast<int>(Pool.size()); }
    TPDFObject* PoolItem(int index) const;

private:
    // Declared before the pool, so that it outlives every object the pool frees.
    std::unique_ptr<TPDFObjectArena> arena_;

public:
    std::int32_t FreeSlots = 0;
    std::vector<std::unique_ptr<TPDFObject>> Pool;  // used front, free slots at the end
    TPDFIndirectLookup OnIndirectLookup;
    TPDFNewIndirectObject OnNewIndirectObject;
    bool MultiLineDictionaries = true;
    std::int32_t DecimalPlaces = 4;

private:
    template <typename T, typename... Args>
    T* Make(Args&&... args);
};

// The fixed list of dictionary keys that are shared between entries, each in brackets.
extern const std::string_view kPDFCommonNames;

// Checked downcasts: the object as the given kind, or null when it is null or of another kind.
inline TPDFDictionary* AsDictionary(TPDFObject* object) {
    return object && object->Kind == kPDFKindDictionary ? static_cast<TPDFDictionary*>(object) : nullptr;
}
inline const TPDFDictionary* AsDictionary(const TPDFObject* object) {
    return AsDictionary(const_cast<TPDFObject*>(object));
}
inline TPDFArray* AsArray(TPDFObject* object) {
    return object && object->Kind == kPDFKindArray ? static_cast<TPDFArray*>(object) : nullptr;
}
inline TPDFStream* AsStream(TPDFObject* object) {
    return object && object->Kind == kPDFKindStream ? static_cast<TPDFStream*>(object) : nullptr;
}
inline const TPDFNumeric* AsNumber(const TPDFObject* object) {
    return object && object->Kind == kPDFKindNumeric ? static_cast<const TPDFNumeric*>(object) : nullptr;
}

}  // namespace parch
