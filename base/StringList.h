#pragma once
// String lists: lines with an object each, name=value access, text with CR LF line breaks and
// files of such text. TStrings holds the operations every list shares; TStringList keeps the
// lines itself and can keep them sorted, with a choice of what a duplicate does.
//
// Comparisons are ordinal; without CaseSensitive they fold the ASCII letters only.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Classes.h"
#include "base/Exceptions.h"

namespace parch {

class TStream;

class EStringListError : public Exception {
public:
    using Exception::Exception;
};

class TStrings : public TPersistent {
public:
    ~TStrings() override = default;

    virtual int Count() const = 0;
    std::string Strings(int index) const { return Get(index); }
    void SetStrings(int index, const std::string& text) { Put(index, text); }
    TObject* Objects(int index) const { return GetObject(index); }
    void SetObjects(int index, TObject* object) { PutObject(index, object); }

    int Add(const std::string& text) { return AddObject(text, nullptr); }
    virtual int AddObject(const std::string& text, TObject* object);
    virtual void Insert(int index, const std::string& text) = 0;
    void InsertObject(int index, const std::string& text, TObject* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int index1, int index2);
    virtual void Move(int currentIndex, int newIndex);
    void AddStrings(const TStrings& strings);

    virtual int IndexOf(std::string_view text) const;
    int IndexOfObject(const TObject* object) const;

    // name=value lines. A line without the separator has an empty name.
    char NameValueSeparator = '=';
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    int IndexOfName(std::string_view name) const;
    std::string Values(std::string_view name) const;
    // An empty value deletes the line of that name; a new name is added at the end.
    void SetValues(std::string_view name, const std::string& value);

    // Every line followed by CR LF. Setting it splits at CR LF, LF or CR; a break at the very
    // end starts no further line.
    std::string Text() const;
    virtual void SetText(std::string_view text);
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    // Change events between BeginUpdate and the last EndUpdate are held back.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // Takes the lines and objects of another string list.
    void Assign(const TPersistent* source) override;
    bool Equals(const TStrings& other) const;

protected:
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& text);
    virtual TObject* GetObject(int index) const { return nullptr; }
    virtual void PutObject(int index, TObject* object) {}
    virtual void SetUpdateState(bool updating) {}
    // Below 0, 0 or above 0 as a sorts before, with or after b.
    virtual int CompareStrings(std::string_view a, std::string_view b) const;

private:
    int updateCount_ = 0;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
public:
    using TStringListSortCompare = std::function<int(const TStringList& list, int index1, int index2)>;

    TStringList() = default;
    ~TStringList() override;

    int Count() const override { return static_cast<int>(items_.size()); }
    // A sorted list puts the line in its place; a duplicate is ignored (its index returned,
    // its object kept), accepted or refused with EStringListError, as Duplicates says.
    int AddObject(const std::string& text, TObject* object) override;
    // Inserting into a sorted list raises EStringListError.
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;
    void Exchange(int index1, int index2) override;
    int IndexOf(std::string_view text) const override;

    // Binary search of a sorted list: whether text is there, and index of its first
    // occurrence or of where it would go.
    bool Find(std::string_view text, int& index) const;
    void Sort();
    void CustomSort(const TStringListSortCompare& compare);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive);
    // What adding a line already present does to a sorted list.
    TDuplicates Duplicates = TDuplicates::dupIgnore;
    // Frees the objects of lines deleted from the list or left in it when it goes.
    bool OwnsObjects = false;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    std::string Get(int index) const override;
    void Put(int index, const std::string& text) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    void SetUpdateState(bool updating) override;
    int CompareStrings(std::string_view a, std::string_view b) const override;
    virtual void Changing();
    virtual void Changed();

private:
    struct Item {
        std::string text;
        TObject* object = nullptr;
    };
    void InsertItem(int index, const std::string& text, TObject* object);
    void CheckIndex(int index) const;

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
};

}  // namespace parch
