#include "skin/engine/acntUtils.h"

#include <unistd.h>

#include <cmath>

#include "base/SysUtils.h"
#include "bitmap32/PropertyTable.h"
#include "framework/Application.h"
#include "framework/graphics/Picture.h"
#include "platform/gdi/Fonts.h"
#include "platform/os/FindFiles.h"
#include "platform/os/Files.h"
#include "platform/os/KernelCalls.h"
#include "platform/os/ProcedureTable.h"
#include "platform/win/SystemValues.h"
#include "platform/win/Clock.h"
#include "platform/win/ShellFileInfo.h"

namespace parch {

TacCharSet MakeCharSet(std::string_view characters) {
    TacCharSet set;
    for (char c : characters) set.set(static_cast<unsigned char>(c));
    return set;
}

bool RectOverlaps(const RECT& reference, const RECT& r) {
    if (reference.top >= r.bottom || reference.left >= r.right || r.left >= reference.right ||
        r.top >= reference.bottom)
        return false;
    return r.left < r.right && r.top < r.bottom;
}

bool RectContains(const RECT& outer, const RECT& inner) {
    auto inside = [&outer](int x, int y) {
        return x >= outer.left && x < outer.right + 1 && y >= outer.top && y < outer.bottom + 1;
    };
    return inside(inner.left, inner.top) && inside(inner.right, inner.bottom);
}

bool IsBetween(int v, int a, int b) { return a <= b ? v >= a && v <= b : v >= b && v <= a; }

int ScaleToPercentRange(int p, int base) {
    return static_cast<int>(std::lround((100.0 - base) * p / 100.0 + base));
}

namespace {

bool IsDelimiter(char c, const TacCharSet& delimiters) { return delimiters.test(static_cast<unsigned char>(c)); }

// 0-based starts of the words.
std::vector<size_t> WordStarts(std::string_view text, const TacCharSet& delimiters) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); ++i)
        if (!IsDelimiter(text[i], delimiters) && (i == 0 || IsDelimiter(text[i - 1], delimiters))) starts.push_back(i);
    return starts;
}

}  // namespace

int CountWords(std::string_view text, const TacCharSet& delimiters) {
    return static_cast<int>(WordStarts(text, delimiters).size());
}

int NthWordStart(int n, std::string_view text, const TacCharSet& delimiters) {
    std::vector<size_t> starts = WordStarts(text, delimiters);
    if (n < 1 || n > static_cast<int>(starts.size())) return 0;
    return static_cast<int>(starts[static_cast<size_t>(n - 1)]) + 1;
}

std::string ExtractNthWord(int n, std::string_view text, const TacCharSet& delimiters) {
    int start = NthWordStart(n, text, delimiters);
    if (start == 0) return {};
    size_t end = static_cast<size_t>(start - 1);
    while (end < text.size() && !IsDelimiter(text[end], delimiters)) ++end;
    return std::string(text.substr(static_cast<size_t>(start - 1), end - static_cast<size_t>(start - 1)));
}

std::string TakeNextToken(std::string_view text, int& pos, const TacCharSet& delimiters) {
    size_t from = pos < 1 ? 0 : static_cast<size_t>(pos - 1);
    if (from >= text.size()) {
        pos = static_cast<int>(text.size()) + 1;
        return {};
    }
    size_t end = from;
    while (end < text.size() && !IsDelimiter(text[end], delimiters)) ++end;
    pos = static_cast<int>(std::min(end + 1, text.size())) + 1;
    return std::string(text.substr(from, end - from));
}

std::string RemoveChar(std::string_view text, char c) {
    std::string result;
    for (char ch : text)
        if (ch != c) result.push_back(ch);
    return result;
}

std::string ReplaceAllText(std::string_view text, std::string_view oldText, std::string_view newText) {
    if (oldText.empty()) return std::string(text);
    std::string result;
    size_t at = 0;
    for (size_t found = text.find(oldText); found != std::string_view::npos; found = text.find(oldText, at)) {
        result.append(text.substr(at, found - at));
        result.append(newText);
        at = found + oldText.size();
    }
    result.append(text.substr(at));
    return result;
}

std::int64_t HexStrToInt64(std::string_view text) {
    std::string upper = UpperCase(text);
    if (!upper.empty() && upper.back() == 'H') upper.pop_back();
    std::uint64_t value = 0;
    for (char c : upper) {
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return 0;
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return static_cast<std::int64_t>(value);
}

TacIniSections ParseIniSections(const std::vector<std::string>& lines) {
    TacIniSections sections;
    for (const std::string& line : lines) {
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            sections.emplace_back(line.substr(1, line.size() - 2), std::vector<std::string>{});
        } else if (!sections.empty()) {
            sections.back().second.push_back(line);
        }
    }
    return sections;
}

std::string ReadIniText(const TacIniSections& sections, std::string_view section, const std::string& fallback,
                        std::string_view key) {
    for (const auto& [name, lines] : sections) {
        if (!SameText(name, section)) continue;
        for (const std::string& line : lines) {
            size_t equals = line.find('=');
            if (equals != std::string::npos && SameText(std::string_view(line).substr(0, equals), key))
                return line.substr(equals + 1);
        }
        return fallback;
    }
    return fallback;
}

int ReadIniInt(const TacIniSections& sections, std::string_view section, int fallback, std::string_view key) {
    std::string text = ReadIniText(sections, section, "", key);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
    return StrToIntDef(text, fallback);
}

bool IsXPOrLater() {
    OSVERSIONINFO info;
    if (!GetVersionEx(&info)) return false;
    return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion > 0);
}

void WaitProcessingMessages(unsigned ms) {
    std::uint64_t start = GetTickCount64();
    while (GetTickCount64() - start < ms) {
        if (Application != nullptr) Application->ProcessMessages();
        Sleep(1);
    }
}

bool HasPublishedProperty(const TObject& object, std::string_view name) {
    return FindPublishedProperty(object, name) != nullptr;
}

TPersistent* GetObjectPropertyByName(const TObject& object, std::string_view name) {
    const TPropertyInfo* property = FindPublishedProperty(object, name);
    return property != nullptr && property->GetObject ? property->GetObject(object) : nullptr;
}

int GetOrdPropertyByName(const TObject& object, std::string_view name) {
    const TPropertyInfo* property = FindPublishedProperty(object, name);
    if (property == nullptr || !property->GetText) return -1;
    std::string text = property->GetText(object);
    if (property->Kind == TTypeKind::tkInteger) return StrToIntDef(text, -1);
    if (property->Kind == TTypeKind::tkEnumeration && (text == "False" || text == "True")) return text == "True";
    return -1;
}

void SetOrdPropertyByName(TObject& object, std::string_view name, int value) {
    const TPropertyInfo* property = FindPublishedProperty(object, name);
    if (property == nullptr || !property->SetText) return;
    if (property->Kind == TTypeKind::tkInteger)
        property->SetText(object, std::to_string(value));
    else if (property->Kind == TTypeKind::tkEnumeration)
        property->SetText(object, value != 0 ? "True" : "False");
}

namespace {

// The set's elements as text without brackets.
std::string SetText(const TPropertyInfo& property, const TObject& object) {
    std::string text = property.GetText(object);
    if (!text.empty() && text.front() == '[') text.erase(0, 1);
    if (!text.empty() && text.back() == ']') text.pop_back();
    return text;
}

}  // namespace

bool SetPropertyHasElement(const TObject& object, std::string_view setProperty, std::string_view element) {
    const TPropertyInfo* property = FindPublishedProperty(object, setProperty);
    if (property == nullptr || property->Kind != TTypeKind::tkSet || !property->GetText) return false;
    TacCharSet comma = MakeCharSet(", ");
    std::string text = SetText(*property, object);
    for (int i = 1; i <= CountWords(text, comma); ++i)
        if (ExtractNthWord(i, text, comma) == element) return true;
    return false;
}

void ChangeSetPropertyElement(TObject& object, std::string_view setProperty, std::string_view element, bool include) {
    const TPropertyInfo* property = FindPublishedProperty(object, setProperty);
    if (property == nullptr || property->Kind != TTypeKind::tkSet || !property->GetText || !property->SetText) return;
    std::string text = SetText(*property, object);
    std::string name(element);
    if (include) {
        if (text.find(name) == std::string::npos) text += text.empty() ? name : "," + name;
    } else {
        for (const std::string& piece : {"," + name, name + ",", name}) {
            size_t at = text.find(piece);
            if (at == std::string::npos) continue;
            text.erase(at, piece.size());
            break;
        }
    }
    property->SetText(object, "[" + text + "]");
}

int GetCaptionFontHeight() {
    NONCLIENTMETRICS metrics;
    if (!SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return 0;
    return metrics.lfCaptionFont.lfHeight;
}

HFONT CreateCaptionFont() {
    NONCLIENTMETRICS metrics;
    if (!SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    return CreateFontIndirect(&metrics.lfCaptionFont);
}

bool GetMinimizeAnimation() {
    ANIMATIONINFO info;
    return SystemParametersInfo(SPI_GETANIMATION, sizeof info, &info, 0) && info.iMinAnimate != 0;
}

void SetMinimizeAnimation(bool on) {
    ANIMATIONINFO info;
    info.iMinAnimate = on ? -1 : 0;
    SystemParametersInfo(SPI_SETANIMATION, sizeof info, &info, 0);
}

bool IsWow64() {
    using IsWow64ProcessFunction = BOOL(HANDLE process, BOOL* wow64);
    HMODULE kernel = LoadLibrary("kernel32.dll");
    auto* query = kernel != nullptr ? GetProcAddressOf<IsWow64ProcessFunction>(kernel, "IsWow64Process") : nullptr;
    BOOL wow64 = 0;
    return query != nullptr && query(nullptr, &wow64) && wow64 != 0;
}

bool FolderExists(const std::string& path) { return DirectoryExists(path); }

std::string GetLongFileName(const std::string& path) {
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile(path, data);
    if (search == INVALID_HANDLE_VALUE) return {};
    FindClose(search);
    return data.cFileName;
}

std::string GetShortFileName(const std::string& path) { return GetLongFileName(path); }

namespace {

bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

// Each component after the first separator takes the name that nameOf finds for the path cut
// after it; separators stay as written.
std::string RebuildPathNames(const std::string& path, std::string (*nameOf)(const std::string&)) {
    size_t start = 0;
    while (start < path.size() && !IsPathSeparator(path[start])) ++start;
    std::string result = path.substr(0, start);
    while (start < path.size()) {
        size_t componentStart = start + 1;
        size_t end = componentStart;
        while (end < path.size() && !IsPathSeparator(path[end])) ++end;
        std::string component = path.substr(componentStart, end - componentStart);
        if (!component.empty() && component != "." && component != "..") {
            std::string found = nameOf(path.substr(0, end));
            if (!found.empty()) component = found;
        }
        result += path[start];
        result += component;
        start = end;
    }
    return result;
}

}  // namespace

std::string ToLongPathName(const std::string& path) { return RebuildPathNames(path, GetLongFileName); }
std::string ToShortPathName(const std::string& path) { return RebuildPathNames(path, GetShortFileName); }

bool SetCurrentFolder(const std::string& path) { return !path.empty() && ::chdir(path.c_str()) == 0; }

std::unique_ptr<TIcon> GetFileIcon(const std::string& file, unsigned flags) {
    if (!FileExists(file) && !DirectoryExists(file)) return nullptr;
    SHFILEINFO info;
    if (SHGetFileInfo(file.c_str(), 0, &info, sizeof(info), flags | SHGFI_ICON) == 0 || info.hIcon == nullptr)
        return nullptr;
    auto icon = std::make_unique<TIcon>();
    icon->SetHandle(info.hIcon);
    if (icon->Empty()) return nullptr;
    return icon;
}

std::string AppendPathDelimiter(std::string_view path) {
    if (path.empty()) return {};
    std::string result(path);
    if (result.back() == '\\') return result;
    if (result.back() == '/') {
        result.back() = '\\';
        return result;
    }
    return result + (result.size() == 1 ? ":\\" : "\\");
}

}  // namespace parch
