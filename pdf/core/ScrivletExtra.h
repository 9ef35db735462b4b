#pragma once
// Small containers and byte-string helpers that the whole PDF library uses: a string list with
// an object per item, a set of taken integers, a file stream, path, number and date helpers.
// Strings are byte strings unless said otherwise; file names are UTF-8.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/NumberText.h"
#include "base/Streams.h"

namespace parch {

// A list of byte strings, each with an attached object that the list never owns. Comparisons
// are ordinal, with ASCII case folding unless MatchCase is on. A sorted list never holds two
// equal strings.
class TScrivletStringList {
public:
    struct Item {
        std::string String;
        void* Object = nullptr;
    };

    TScrivletStringList() = default;
    virtual ~TScrivletStringList() = default;

    int Add(std::string_view s) { return AddObject(s, nullptr); }
    // Sorted: an equal string already present is not added again; its index is returned.
    int AddObject(std::string_view s, void* object);
    void AddStrings(const TScrivletStringList& other);
    // Index 0 to count inclusive, otherwise nothing; a sorted list is not kept in order.
    void Insert(int index, std::string_view s) { InsertObject(index, s, nullptr); }
    void InsertObject(int index, std::string_view s, void* object);
    void Delete(int index);
    // Removes every item and releases the item storage.
    void Clear();

    // The caller keeps the index in range; EListError otherwise.
    const std::string& Get(int index) const;
    void Put(int index, std::string_view s);
    void* GetObject(int index) const;
    void PutObject(int index, void* object);
    int GetCount() const { return static_cast<int>(items_.size()); }
    int GetCapacity() const { return slotCount_; }
    // Makes room for at least `capacity` items at once; never shrinks.
    void SetCapacity(int capacity);

    int IndexOf(std::string_view s) const;
    int IndexOfObject(const void* object) const;
    // The first item "name=value" whose name part compares equal.
    int IndexOfName(std::string_view name) const;
    std::string GetValue(std::string_view name) const;

    // Lines split at CR, LF, CR LF and NUL; an empty text gives one empty item.
    void SetText(std::string_view text);
    // Every string followed by CR LF.
    std::string GetText() const;
    void SaveToStream(TStream& stream) const;

    bool GetSorted() const { return keepSorted_; }
    void SetSorted(bool sorted);
    void Sort();
    // Binary search of a sorted list: the first equal item, or the insertion point.
    bool Find(std::string_view s, int& index) const;
    int CompareStrings(std::string_view a, std::string_view b) const;
    bool GetMatchCase() const { return matchCase_; }

protected:
    explicit TScrivletStringList(bool matchCase) : matchCase_(matchCase) {}

private:
    void Grow();

    std::vector<Item> items_;
    int slotCount_ = 0;
    bool keepSorted_ = false;
    bool matchCase_ = false;
};

class TScrivletCaseSensitiveStringList : public TScrivletStringList {
public:
    TScrivletCaseSensitiveStringList() : TScrivletStringList(true) {}
};

// Remembers which non-negative integers have been taken, in pages of 65,536 flags that exist
// only where integers occur.
class TSVLSortedUniqueIntegerList {
public:
    // True the first time n is taken, false every later time.
    bool Take(std::int32_t n);
    void Clear() { pages_.clear(); }

private:
    std::vector<std::unique_ptr<std::vector<bool>>> pages_;  // a flag is true while untaken
};

// Open modes of TScrivletWideFileStream besides fmOpenRead and the sharing bits.
inline constexpr std::uint16_t kScrivletCreateMode = 0xFFFF;

// A file stream. Mode kScrivletCreateMode creates (or empties) the file for reading and
// writing; any other mode opens an existing file with the access in its low two bits
// (0 read, 1 write, 2 both) and sharing in bits 4 to 7. EFCreateError "Error" when the file
// cannot be created or opened, or the mode is not valid.
class TScrivletWideFileStream : public THandleStream {
public:
    TScrivletWideFileStream(const std::string& fileName, std::uint16_t mode);
    int FileHandle() const { return Handle(); }
};

// -1 when the file cannot be opened or created, or the mode is not valid.
int WideFileOpen(const std::string& path, std::uint16_t mode);
int WideFileCreate(const std::string& path);
// The last write time as a local DOS date-time; -1 for a missing path, a folder or a time
// that a DOS date cannot hold.
std::int32_t WideFileAge(const std::string& path);
// True for any existing path that is not a folder, whatever its date.
bool WideFileExists(const std::string& path);
bool WideDeleteFile(const std::string& path);
// The part after the last "/" (the whole path when it has none).
std::string WideExtractFileName(std::string_view path);
// The path up to and including the last "/".
std::string WideExtractFilePath(std::string_view path);
std::unique_ptr<TScrivletWideFileStream> CreateWideFileStream(const std::string& path,
                                                              std::uint16_t mode);

// Byte-string helpers.
std::size_t PosA(std::string_view sub, std::string_view s);  // 1-based, 0 when absent
std::string CopyA(std::string_view s, std::int64_t index, std::int64_t count);  // 1-based
std::string TrimA(std::string_view s);
std::string UpperCaseA(std::string_view s);
std::int32_t StrToIntA(std::string_view s);  // EConvertError on bad text
std::int32_t StrToIntDefA(std::string_view s, std::int32_t fallback);
std::int64_t StrToInt64DefA(std::string_view s, std::int64_t fallback);
std::string IntToStrA(std::int64_t n);
std::string IntToHexA(std::int64_t n, int digits);
enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
std::string StringReplaceA(std::string_view s, std::string_view oldPattern,
                           std::string_view newPattern, unsigned flags);
std::string FloatToStrA(double x);
std::string FormatFloatA(std::string_view format, double x);
// t is a date-time in days since 1899-12-30, the fraction being the time of day.
std::string FormatDateTimeA(std::string_view format, double t);
std::string UniqueCopyA(std::string_view s);
int AnsiCompareStrA(std::string_view a, std::string_view b);
int AnsiCompareTextA(std::string_view a, std::string_view b);

// The current local time as a PDF date "D:yyyymmddhhmmss" followed by the zone.
std::string CurrentPDFDate();
// Eight lower-case hexadecimal digits, fresh each call.
std::string NewRandomId();
// Inserts the bytes at the position, moving the tail in 64 KB blocks; the stream's position
// moves on by the inserted length when it lay at or after the insertion point.
void InsertIntoStream(TStream& stream, std::string_view bytes, std::int64_t position);

}  // namespace parch
