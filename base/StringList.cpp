#include "base/StringList.h"

#include <algorithm>

#include "base/Streams.h"

namespace parch {

namespace {

int CompareOrdinal(std::string_view a, std::string_view b) {
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

int CompareFolded(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

[[noreturn]] void IndexError(int index) {
    throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
}

}  // namespace

// TStrings

int TStrings::AddObject(const std::string& text, TObject* object) {
    int index = Count();
    Insert(index, text);
    if (object) PutObject(index, object);
    return index;
}

void TStrings::InsertObject(int index, const std::string& text, TObject* object) {
    Insert(index, text);
    if (object) PutObject(index, object);
}

void TStrings::Put(int index, const std::string& text) {
    TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, text, object);
}

void TStrings::Exchange(int index1, int index2) {
    BeginUpdate();
    std::string text = Get(index1);
    TObject* object = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, text);
    PutObject(index2, object);
    EndUpdate();
}

void TStrings::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex) return;
    BeginUpdate();
    std::string text = Get(currentIndex);
    TObject* object = GetObject(currentIndex);
    Delete(currentIndex);
    InsertObject(newIndex, text, object);
    EndUpdate();
}

void TStrings::AddStrings(const TStrings& strings) {
    BeginUpdate();
    for (int i = 0; i < strings.Count(); ++i) AddObject(strings.Get(i), strings.GetObject(i));
    EndUpdate();
}

int TStrings::IndexOf(std::string_view text) const {
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Get(i), text) == 0) return i;
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

std::string TStrings::Names(int index) const {
    std::string line = Get(index);
    auto at = line.find(NameValueSeparator);
    return at == std::string::npos ? std::string() : line.substr(0, at);
}

std::string TStrings::ValueFromIndex(int index) const {
    std::string line = Get(index);
    auto at = line.find(NameValueSeparator);
    return at == std::string::npos ? std::string() : line.substr(at + 1);
}

int TStrings::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        std::string line = Get(i);
        auto at = line.find(NameValueSeparator);
        if (at != std::string::npos && CompareStrings(std::string_view(line).substr(0, at), name) == 0) return i;
    }
    return -1;
}

std::string TStrings::Values(std::string_view name) const {
    int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(std::string_view name, const std::string& value) {
    int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    std::string line = std::string(name) + NameValueSeparator + value;
    if (index < 0)
        Add(line);
    else
        Put(index, line);
}

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(std::string_view text) {
    BeginUpdate();
    try {
        Clear();
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string_view::npos) end = text.size();
            Add(std::string(text.substr(start, end - start)));
            if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
            start = end + 1;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::LoadFromStream(TStream& stream) {
    SetText(stream.ReadToEnd());
}

void TStrings::SaveToStream(TStream& stream) const {
    stream.WriteString(Text());
}

void TStrings::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TStrings::SaveToFile(const std::string& fileName) const {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

void TStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TStrings*>(source);
    if (!other) return TPersistent::Assign(source);
    if (other == this) return;
    BeginUpdate();
    try {
        Clear();
        NameValueSeparator = other->NameValueSeparator;
        AddStrings(*other);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

bool TStrings::Equals(const TStrings& other) const {
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != other.Get(i)) return false;
    return true;
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const {
    return CompareFolded(a, b);
}

// TStringList

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    if (OwnsObjects)
        for (Item& item : items_) delete item.object;
}

int TStringList::AddObject(const std::string& text, TObject* object) {
    int index = Count();
    if (sorted_ && Find(text, index)) {
        if (Duplicates == TDuplicates::dupIgnore) return index;
        if (Duplicates == TDuplicates::dupError) throw EStringListError("String list does not allow duplicates");
    }
    InsertItem(index, text, object);
    return index;
}

void TStringList::Insert(int index, const std::string& text) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count()) IndexError(index);
    InsertItem(index, text, nullptr);
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    TObject* object = items_[static_cast<std::size_t>(index)].object;
    items_.erase(items_.begin() + index);
    if (OwnsObjects) delete object;
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    std::vector<Item> old;
    old.swap(items_);
    if (OwnsObjects)
        for (Item& item : old) delete item.object;
    Changed();
}

void TStringList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
    Changed();
}

int TStringList::IndexOf(std::string_view text) const {
    if (!sorted_) return TStrings::IndexOf(text);
    int index;
    return Find(text, index) ? index : -1;
}

bool TStringList::Find(std::string_view text, int& index) const {
    auto it = std::lower_bound(items_.begin(), items_.end(), text,
                               [this](const Item& item, std::string_view t) { return CompareStrings(item.text, t) < 0; });
    index = static_cast<int>(it - items_.begin());
    return it != items_.end() && CompareStrings(it->text, text) == 0;
}

void TStringList::Sort() {
    CustomSort([](const TStringList& list, int a, int b) {
        return list.CompareStrings(list.items_[static_cast<std::size_t>(a)].text,
                                   list.items_[static_cast<std::size_t>(b)].text);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (items_.size() < 2) return;
    Changing();
    // Sort positions, so compare sees the list as it stands, then reorder once.
    std::vector<int> order(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (int i : order) sorted.push_back(std::move(items_[static_cast<std::size_t>(i)]));
    items_.swap(sorted);
    Changed();
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive == caseSensitive_) return;
    caseSensitive_ = caseSensitive;
    if (sorted_) Sort();
}

std::string TStringList::Get(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)].text;
}

void TStringList::Put(int index, const std::string& text) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index);
    Changing();
    items_[static_cast<std::size_t>(index)].text = text;
    Changed();
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)].object;
}

void TStringList::PutObject(int index, TObject* object) {
    CheckIndex(index);
    Changing();
    items_[static_cast<std::size_t>(index)].object = object;
    Changed();
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
    return caseSensitive_ ? CompareOrdinal(a, b) : CompareFolded(a, b);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::InsertItem(int index, const std::string& text, TObject* object) {
    Changing();
    items_.insert(items_.begin() + index, Item{text, object});
    Changed();
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) IndexError(index);
}

}  // namespace parch
