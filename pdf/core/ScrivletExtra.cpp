#include "pdf/core/ScrivletExtra.h"

#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <ctime>

#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "pdf/core/ScrivletDigest.h"
#include "platform/os/Files.h"

namespace parch {

namespace {

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

int CompareOrdinal(std::string_view a, std::string_view b, bool matchCase) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(matchCase ? a[i] : FoldCase(a[i]));
        auto y = static_cast<unsigned char>(matchCase ? b[i] : FoldCase(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// The moment as a date-time: days since 1899-12-30, the fraction being the time of day.
double LocalNowAsDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const auto localSeconds = static_cast<double>(now) + static_cast<double>(local.tm_gmtoff);
    constexpr double kUnixEpochAsDateTime = 25569.0;
    return kUnixEpochAsDateTime + localSeconds / 86400.0;
}

struct CivilDateTime {
    int year, month, day, hour, minute, second, millisecond, weekday;  // weekday 0 = Sunday
};

CivilDateTime DecodeDateTime(double t) {
    double days = std::floor(t);
    auto millis = static_cast<std::int64_t>(std::llround((t - days) * 86400000.0));
    if (millis >= 86400000) {
        millis -= 86400000;
        days += 1;
    }
    // Days since 1970-01-01, then the civil-from-days conversion of the proleptic calendar.
    std::int64_t z = static_cast<std::int64_t>(days) - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilDateTime c{};
    c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = static_cast<int>(yoe + era * 400 + (c.month <= 2 ? 1 : 0));
    const std::int64_t unixDays = static_cast<std::int64_t>(days) - 25569;
    c.weekday = static_cast<int>(((unixDays % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    c.hour = static_cast<int>(millis / 3600000);
    c.minute = static_cast<int>(millis / 60000 % 60);
    c.second = static_cast<int>(millis / 1000 % 60);
    c.millisecond = static_cast<int>(millis % 1000);
    return c;
}

bool IsValidOpenMode(std::uint16_t mode) { return (mode & 3) != 3 && mode <= 0x4F; }

}  // namespace

// ---- TScrivletStringList

void TScrivletStringList::Grow() {
    if (slotCount_ > 64) slotCount_ += slotCount_ / 4;
    else if (slotCount_ > 8) slotCount_ += 16;
    else slotCount_ += 4;
    items_.reserve(static_cast<std::size_t>(slotCount_));
}

void TScrivletStringList::SetCapacity(int capacity) {
    if (capacity <= slotCount_) return;
    slotCount_ = capacity;
    items_.reserve(static_cast<std::size_t>(slotCount_));
}

int TScrivletStringList::AddObject(std::string_view s, void* object) {
    int index = GetCount();
    if (keepSorted_ && Find(s, index)) return index;
    InsertObject(index, s, object);
    return index;
}

void TScrivletStringList::AddStrings(const TScrivletStringList& other) {
    if (&other == this) {
        const TScrivletStringList copy = other;
        AddStrings(copy);
        return;
    }
    for (const Item& item : other.items_) AddObject(item.String, item.Object);
}

void TScrivletStringList::InsertObject(int index, std::string_view s, void* object) {
    if (index < 0 || index > GetCount()) return;
    if (GetCount() == slotCount_) Grow();
    items_.insert(items_.begin() + index, Item{std::string(s), object});
}

void TScrivletStringList::Delete(int index) {
    if (index < 0 || index >= GetCount()) return;
    items_.erase(items_.begin() + index);
}

void TScrivletStringList::Clear() {
    if (items_.empty() && slotCount_ == 0) return;
    items_.clear();
    items_.shrink_to_fit();
    slotCount_ = 0;
}

const std::string& TScrivletStringList::Get(int index) const {
    if (index < 0 || index >= GetCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<std::size_t>(index)].String;
}

void TScrivletStringList::Put(int index, std::string_view s) {
    if (index >= 0 && index < GetCount()) items_[static_cast<std::size_t>(index)].String = s;
}

void* TScrivletStringList::GetObject(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return items_[static_cast<std::size_t>(index)].Object;
}

void TScrivletStringList::PutObject(int index, void* object) {
    if (index >= 0 && index < GetCount()) items_[static_cast<std::size_t>(index)].Object = object;
}

int TScrivletStringList::IndexOf(std::string_view s) const {
    if (keepSorted_) {
        int index = 0;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < GetCount(); ++i)
        if (CompareStrings(Get(i), s) == 0) return i;
    return -1;
}

int TScrivletStringList::IndexOfObject(const void* object) const {
    for (int i = 0; i < GetCount(); ++i)
        if (items_[static_cast<std::size_t>(i)].Object == object) return i;
    return -1;
}

int TScrivletStringList::IndexOfName(std::string_view name) const {
    for (int i = 0; i < GetCount(); ++i) {
        const std::string& s = Get(i);
        const std::size_t equals = s.find('=');
        if (equals != std::string::npos &&
            CompareStrings(std::string_view(s).substr(0, equals), name) == 0)
            return i;
    }
    return -1;
}

std::string TScrivletStringList::GetValue(std::string_view name) const {
    const int index = IndexOfName(name);
    if (index < 0) return {};
    return Get(index).substr(name.size() + 1);
}

void TScrivletStringList::SetText(std::string_view text) {
    Clear();
    if (text.empty()) {
        Add("");
        return;
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\0' && text[end] != '\n' && text[end] != '\r')
            ++end;
        Add(text.substr(pos, end - pos));
        pos = end;
        // A NUL ends its line and is passed over like a line break, so the split always moves on.
        if (pos < text.size() && text[pos] == '\0') {
            ++pos;
            continue;
        }
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
}

std::string TScrivletStringList::GetText() const {
    std::string text;
    for (const Item& item : items_) {
        text += item.String;
        text += "\r\n";
    }
    return text;
}

void TScrivletStringList::SaveToStream(TStream& stream) const { stream.WriteString(GetText()); }

void TScrivletStringList::SetSorted(bool sorted) {
    if (sorted && !keepSorted_) Sort();
    keepSorted_ = sorted;
}

void TScrivletStringList::Sort() {
    if (GetCount() < 2) return;
    std::sort(items_.begin(), items_.end(), [this](const Item& a, const Item& b) {
        return CompareStrings(a.String, b.String) < 0;
    });
}

bool TScrivletStringList::Find(std::string_view s, int& index) const {
    int low = 0;
    int high = GetCount() - 1;
    bool found = false;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        const int c = CompareStrings(Get(mid), s);
        if (c < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (c == 0) {
                found = true;
                low = mid;
            }
        }
    }
    index = low;
    return found;
}

int TScrivletStringList::CompareStrings(std::string_view a, std::string_view b) const {
    return CompareOrdinal(a, b, matchCase_);
}

// ---- TSVLSortedUniqueIntegerList

bool TSVLSortedUniqueIntegerList::Take(std::int32_t n) {
    constexpr std::uint32_t kPageSize = 65536;
    const auto value = static_cast<std::uint32_t>(n);
    const std::size_t page = value / kPageSize;
    if (pages_.size() <= page) pages_.resize(page + 1);
    auto& flags = pages_[page];
    if (!flags) flags = std::make_unique<std::vector<bool>>(kPageSize, true);
    const bool untaken = (*flags)[value % kPageSize];
    (*flags)[value % kPageSize] = false;
    return untaken;
}

// ---- files

int WideFileOpen(const std::string& path, std::uint16_t mode) {
    if (!IsValidOpenMode(mode)) return -1;
    return FileOpenForAccess(path, mode & 3);
}

int WideFileCreate(const std::string& path) { return FileCreateEmpty(path); }

namespace {

int OpenWideFileStreamHandle(const std::string& fileName, std::uint16_t mode) {
    const int handle =
        mode == kScrivletCreateMode ? WideFileCreate(fileName) : WideFileOpen(fileName, mode);
    if (handle < 0) throw EFCreateError("Error");
    return handle;
}

}  // namespace

TScrivletWideFileStream::TScrivletWideFileStream(const std::string& fileName, std::uint16_t mode)
    : THandleStream(OpenWideFileStreamHandle(fileName, mode)) {}

std::int32_t WideFileAge(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return -1;
    std::tm local{};
    const std::time_t modified = info.st_mtime;
    if (!localtime_r(&modified, &local)) return -1;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) return -1;
    const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) |
                                                 local.tm_mday);
    const auto time = static_cast<std::uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) |
                                                 (local.tm_sec / 2));
    return static_cast<std::int32_t>((date << 16) | time);
}

bool WideFileExists(const std::string& path) { return FileExists(path); }

bool WideDeleteFile(const std::string& path) { return DeleteFile(path); }

std::string WideExtractFileName(std::string_view path) { return ExtractFileName(path); }

std::string WideExtractFilePath(std::string_view path) { return ExtractFilePath(path); }

std::unique_ptr<TScrivletWideFileStream> CreateWideFileStream(const std::string& path,
                                                              std::uint16_t mode) {
    return std::make_unique<TScrivletWideFileStream>(path, mode);
}

// ---- byte strings

std::size_t PosA(std::string_view sub, std::string_view s) {
    if (sub.empty()) return 0;
    const std::size_t found = s.find(sub);
    return found == std::string_view::npos ? 0 : found + 1;
}

std::string CopyA(std::string_view s, std::int64_t index, std::int64_t count) {
    if (index < 1) index = 1;
    const auto size = static_cast<std::int64_t>(s.size());
    if (index > size || count <= 0) return {};
    count = std::min(count, size - index + 1);
    return std::string(s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count)));
}

std::string TrimA(std::string_view s) { return Trim(s); }
std::string UpperCaseA(std::string_view s) { return UpperCase(s); }
std::int32_t StrToIntA(std::string_view s) { return StrToInt(s); }
std::int32_t StrToIntDefA(std::string_view s, std::int32_t fallback) {
    return StrToIntDef(s, fallback);
}
std::int64_t StrToInt64DefA(std::string_view s, std::int64_t fallback) {
    return StrToInt64Def(s, fallback);
}
std::string IntToStrA(std::int64_t n) { return IntToStr(n); }
std::string IntToHexA(std::int64_t n, int digits) { return IntToHex(n, digits); }

std::string StringReplaceA(std::string_view s, std::string_view oldPattern,
                           std::string_view newPattern, unsigned flags) {
    if (oldPattern.empty()) return std::string(s);
    const bool ignoreCase = (flags & rfIgnoreCase) != 0;
    const std::string haystack = ignoreCase ? UpperCase(s) : std::string(s);
    const std::string needle = ignoreCase ? UpperCase(oldPattern) : std::string(oldPattern);
    std::string out;
    std::size_t pos = 0;
    while (true) {
        const std::size_t found = haystack.find(needle, pos);
        if (found == std::string::npos) break;
        out.append(s.substr(pos, found - pos));
        out.append(newPattern);
        pos = found + needle.size();
        if ((flags & rfReplaceAll) == 0) break;
    }
    out.append(s.substr(pos));
    return out;
}

std::string FloatToStrA(double x) { return FloatToStr(x); }
std::string FormatFloatA(std::string_view format, double x) { return FormatFloat(format, x); }

std::string FormatDateTimeA(std::string_view format, double t) {
    static constexpr const char* kMonths[] = {"January", "February", "March",     "April",
                                              "May",     "June",     "July",      "August",
                                              "September", "October", "November", "December"};
    static constexpr const char* kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    const CivilDateTime c = DecodeDateTime(t);
    auto padded = [](int value, int width) { return IntToZeroPaddedStr(value, width); };
    std::string out;
    bool lastWasHour = false;
    std::size_t i = 0;
    auto run = [&](char letter) {
        std::size_t n = 0;
        while (i + n < format.size() && FoldCase(format[i + n]) == letter) ++n;
        return n;
    };
    while (i < format.size()) {
        const char c0 = format[i];
        const char upper = FoldCase(c0);
        if (c0 == '"' || c0 == '\'') {
            const std::size_t close = format.find(c0, i + 1);
            const std::size_t end = close == std::string_view::npos ? format.size() : close;
            out.append(format.substr(i + 1, end - i - 1));
            i = std::min(end + 1, format.size());
            continue;
        }
        if (StartsText("am/pm", format.substr(i))) {
            out += c.hour < 12 ? "am" : "pm";
            i += 5;
            continue;
        }
        std::size_t n = 0;
        bool isHour = false;
        switch (upper) {
            case 'Y':
                n = run('Y');
                out += n <= 2 ? padded(c.year % 100, 2) : padded(c.year, 4);
                break;
            case 'M':
                n = run('M');
                if (lastWasHour && n <= 2) out += padded(c.minute, static_cast<int>(n));
                else if (n <= 2) out += padded(c.month, static_cast<int>(n));
                else if (n == 3) out += std::string(kMonths[c.month - 1]).substr(0, 3);
                else out += kMonths[c.month - 1];
                break;
            case 'D':
                n = run('D');
                if (n <= 2) out += padded(c.day, static_cast<int>(n));
                else if (n == 3) out += std::string(kDays[c.weekday]).substr(0, 3);
                else out += kDays[c.weekday];
                break;
            case 'H':
                n = run('H');
                out += padded(c.hour, n >= 2 ? 2 : 1);
                isHour = true;
                break;
            case 'N':
                n = run('N');
                out += padded(c.minute, n >= 2 ? 2 : 1);
                break;
            case 'S':
                n = run('S');
                out += padded(c.second, n >= 2 ? 2 : 1);
                break;
            case 'Z':
                n = run('Z');
                out += padded(c.millisecond, n >= 3 ? 3 : 1);
                break;
            default:
                n = 1;
                out += c0;
                if (c0 == ' ' || c0 == ':') isHour = lastWasHour;  // "hh:mm" keeps minutes
        }
        lastWasHour = isHour;
        i += std::max<std::size_t>(n, 1);
    }
    return out;
}

std::string UniqueCopyA(std::string_view s) { return std::string(s); }
int AnsiCompareStrA(std::string_view a, std::string_view b) { return CompareOrdinal(a, b, true); }
int AnsiCompareTextA(std::string_view a, std::string_view b) {
    return CompareOrdinal(a, b, false);
}

// ---- dates, identifiers, streams

std::string CurrentPDFDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) return "D:19700101000000Z";
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "D:%Y%m%d%H%M%S", &local);
    std::string date = stamp;
    const long offset = local.tm_gmtoff;  // seconds east of UTC
    if (offset == 0) return date + "Z";
    const long minutes = std::labs(offset) / 60;
    date += offset > 0 ? '+' : '-';
    date += IntToZeroPaddedStr(minutes / 60, 2) + "'" + IntToZeroPaddedStr(minutes % 60, 2) + "'";
    return date;
}

std::string NewRandomId() {
    std::string seed(16, '\0');
    std::size_t filled = 0;
    while (filled < seed.size()) {
        const ssize_t n = ::getrandom(seed.data() + filled, seed.size() - filled, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the time below still makes the identifier differ
        filled += static_cast<std::size_t>(n);
    }
    seed += FloatToStrA(LocalNowAsDateTime());
    return MD5ToHex(MD5OfString(seed)).substr(0, 8);
}

void InsertIntoStream(TStream& stream, std::string_view bytes, std::int64_t position) {
    if (bytes.empty()) return;
    const std::int64_t saved = stream.GetPosition();
    const std::int64_t oldSize = stream.GetSize();
    position = std::clamp<std::int64_t>(position, 0, oldSize);
    const auto length = static_cast<std::int64_t>(bytes.size());

    stream.Seek(0, TSeekOrigin::soEnd);
    stream.WriteString(bytes);  // grows the stream
    constexpr std::int64_t kBlock = 65536;
    std::string block;
    for (std::int64_t remaining = oldSize - position; remaining > 0;) {
        const std::int64_t n = std::min(remaining, kBlock);
        const std::int64_t from = position + remaining - n;
        block.resize(static_cast<std::size_t>(n));
        stream.SetPosition(from);
        stream.ReadBuffer(block.data(), n);
        stream.SetPosition(from + length);
        stream.WriteString(block);
        remaining -= n;
    }
    stream.SetPosition(position);
    stream.WriteString(bytes);
    stream.SetPosition(saved >= position ? saved + length : saved);
}

}  // namespace parch
