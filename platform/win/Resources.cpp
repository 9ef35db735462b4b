#include "platform/win/Resources.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>
#include <vector>

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/IconFile.h"

namespace parch {
namespace resources {

// "#12" and MAKEINTRESOURCE(12) are one name; texts are upper-cased.
std::string NameKey(const char* name) {
    if (!name) return {};
    if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
    std::string key;
    for (const char* p = name; *p; ++p) key.push_back(*p >= 'a' && *p <= 'z' ? static_cast<char>(*p - 'a' + 'A') : *p);
    if (key.size() > 1 && key[0] == '#' && key.find_first_not_of("0123456789", 1) == std::string::npos) {
        const unsigned long id = std::stoul(key.substr(1, 6));
        if (id < 0x10000) return "#" + std::to_string(id);
    }
    return key;
}

struct Entry {
    std::string bytes;
};

class Store {
public:
    static Store& Instance() {
        static Store store;
        return store;
    }
    std::mutex& Mutex() { return mutex_; }

    // Earlier data of a name stays alive, so handles already given out keep their bytes.
    void Put(HINSTANCE module, const std::string& type, const std::string& name, std::string bytes) {
        auto entry = std::make_unique<Entry>(Entry{std::move(bytes)});
        live_.insert(entry.get());
        entries_[{module, type, name}] = entry.get();
        owned_.push_back(std::move(entry));
    }
    Entry* Find(HINSTANCE module, const std::string& type, const std::string& name) {
        auto it = entries_.find({module, type, name});
        return it == entries_.end() ? nullptr : it->second;
    }
    bool Live(const void* entry) const { return live_.count(static_cast<const Entry*>(entry)) != 0; }
    WORD NextIconId(HINSTANCE module) { return ++iconIds_[module]; }

private:
    std::mutex mutex_;
    std::map<std::tuple<HINSTANCE, std::string, std::string>, Entry*> entries_;
    std::vector<std::unique_ptr<Entry>> owned_;
    std::set<const Entry*> live_;
    std::map<HINSTANCE, WORD> iconIds_;
};

HINSTANCE ModuleOrProgram(HINSTANCE module) {
    return module ? module : GetModuleHandle(nullptr);
}

void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::string StringKey(UINT id) {
    return "#" + std::to_string(id);
}

}  // namespace resources

using resources::Store;

void RegisterResource(HINSTANCE module, const char* type, const char* name, std::string bytes) {
    std::lock_guard lock(Store::Instance().Mutex());
    Store::Instance().Put(resources::ModuleOrProgram(module), resources::NameKey(type), resources::NameKey(name),
                          std::move(bytes));
}

bool RegisterIconResource(HINSTANCE module, const char* name, std::string_view file) {
    module = resources::ModuleOrProgram(module);
    const auto* data = reinterpret_cast<const BYTE*>(file.data());
    IconDirectory directory;
    std::string error;
    if (!ReadIconDirectory(data, file.size(), false, directory, error)) return false;
    MeasureIconEntries(data, file.size(), directory);
    std::lock_guard lock(Store::Instance().Mutex());
    Store& store = Store::Instance();
    const char* pictureType = directory.isCursor ? RT_CURSOR : RT_ICON;
    std::string group;
    resources::Put16(group, 0);
    resources::Put16(group, directory.isCursor ? 2 : 1);
    resources::Put16(group, static_cast<std::uint32_t>(directory.entries.size()));
    for (const IconEntryInfo& entry : directory.entries) {
        const WORD id = store.NextIconId(module);
        std::string picture;
        if (directory.isCursor) {  // cursor pictures start with their hotspot
            resources::Put16(picture, static_cast<std::uint32_t>(entry.hotspot.x));
            resources::Put16(picture, static_cast<std::uint32_t>(entry.hotspot.y));
        }
        picture.append(file.substr(entry.offset, entry.size));
        group.push_back(static_cast<char>(entry.width >= 256 ? 0 : entry.width));
        group.push_back(static_cast<char>(entry.height >= 256 ? 0 : entry.height));
        group.push_back(0);
        group.push_back(0);
        resources::Put16(group, 1);
        resources::Put16(group, static_cast<std::uint32_t>(entry.bitCount));
        resources::Put32(group, static_cast<std::uint32_t>(picture.size()));
        resources::Put16(group, id);
        store.Put(module, resources::NameKey(pictureType), resources::NameKey(MAKEINTRESOURCE(id)), std::move(picture));
    }
    store.Put(module, resources::NameKey(directory.isCursor ? RT_GROUP_CURSOR : RT_GROUP_ICON), resources::NameKey(name),
              std::move(group));
    return true;
}

void RegisterString(HINSTANCE module, UINT id, std::string text) {
    std::lock_guard lock(Store::Instance().Mutex());
    Store::Instance().Put(resources::ModuleOrProgram(module), resources::NameKey(RT_STRING), resources::StringKey(id),
                          std::move(text));
}

HRSRC FindResource(HINSTANCE module, const char* name, const char* type) {
    if (!name || !type) return nullptr;
    std::lock_guard lock(Store::Instance().Mutex());
    return reinterpret_cast<HRSRC>(Store::Instance().Find(resources::ModuleOrProgram(module), resources::NameKey(type),
                                                          resources::NameKey(name)));
}

HGLOBAL LoadResource(HINSTANCE, HRSRC resource) {
    std::lock_guard lock(Store::Instance().Mutex());
    if (!resource || !Store::Instance().Live(resource)) return nullptr;
    return reinterpret_cast<resources::Entry*>(resource)->bytes.data();
}

const void* LockResource(HGLOBAL data) {
    return data;
}

DWORD SizeofResource(HINSTANCE, HRSRC resource) {
    std::lock_guard lock(Store::Instance().Mutex());
    if (!resource || !Store::Instance().Live(resource)) return 0;
    return static_cast<DWORD>(reinterpret_cast<resources::Entry*>(resource)->bytes.size());
}

std::string_view ResourceBytes(HINSTANCE module, const char* name, const char* type) {
    HRSRC found = FindResource(module, name, type);
    if (!found) return {};
    return std::string_view(static_cast<const char*>(LockResource(LoadResource(module, found))), SizeofResource(module, found));
}

int LoadString(HINSTANCE module, UINT id, char* buffer, int bufferSize) {
    if (!buffer || bufferSize <= 0) return 0;
    std::string text;
    {
        std::lock_guard lock(Store::Instance().Mutex());
        resources::Entry* entry = Store::Instance().Find(resources::ModuleOrProgram(module), resources::NameKey(RT_STRING),
                                                         resources::StringKey(id));
        if (!entry) {
            buffer[0] = '\0';
            return 0;
        }
        text = entry->bytes;
    }
    std::size_t length = std::min(text.size(), static_cast<std::size_t>(bufferSize - 1));
    // Never cut inside a character: back up over continuation bytes.
    while (length > 0 && length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    text.copy(buffer, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

HBITMAP LoadBitmapResource(HINSTANCE module, const char* name) {
    const std::string_view bytes = ResourceBytes(module, name, RT_BITMAP);
    if (bytes.empty()) return nullptr;
    std::string error;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return ReadBmp(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), error);
    // As the resource compiler stores them: the file without its 14-byte header.
    if (bytes.size() < 4) return nullptr;
    const std::uint32_t headerSize = static_cast<unsigned char>(bytes[0]) | (static_cast<unsigned char>(bytes[1]) << 8) |
                                     (static_cast<unsigned char>(bytes[2]) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3])) << 24);
    if (headerSize < 12 || headerSize > bytes.size()) return nullptr;
    BITMAPINFOHEADER header{};
    std::memcpy(&header, bytes.data(), std::min<std::size_t>(sizeof header, headerSize));
    const std::int64_t table = headerSize >= 40 ? ColorTableBytes(header) : 0;
    std::string file = "BM";
    resources::Put32(file, static_cast<std::uint32_t>(14 + bytes.size()));
    resources::Put32(file, 0);
    resources::Put32(file, static_cast<std::uint32_t>(std::min<std::int64_t>(14 + headerSize + table, 0xFFFFFFFF)));
    file.append(bytes);
    return ReadBmp(reinterpret_cast<const BYTE*>(file.data()), file.size(), error);
}

}  // namespace parch
