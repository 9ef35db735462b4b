#include "platform/os/ProcedureTable.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace parch {
namespace proceduretable {

// "USER32.DLL", "user32" and "User32.dll" are one library.
std::string LibraryKey(std::string_view name) {
    std::string key;
    for (char c : name) key.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    if (key.size() > 4 && key.compare(key.size() - 4, 4, ".dll") == 0) key.resize(key.size() - 4);
    return key;
}

struct Library {
    std::map<std::string, FARPROC, std::less<>> procedures;
    int uses = 0;
};

class Table {
public:
    static Table& Instance() {
        static Table table;
        return table;
    }
    std::mutex& Mutex() { return mutex_; }

    Library& Add(const std::string& key) {
        auto& slot = libraries_[key];
        if (!slot) {
            slot = std::make_unique<Library>();
            handles_[ModuleOf(*slot)] = slot.get();
        }
        return *slot;
    }
    Library* Find(const std::string& key) {
        auto it = libraries_.find(key);
        return it == libraries_.end() ? nullptr : it->second.get();
    }
    Library* Find(HMODULE module) {
        auto it = handles_.find(module);
        return it == handles_.end() ? nullptr : it->second;
    }
    // The retired library stays allocated, so its address is never a new library's handle.
    void Remove(const std::string& key) {
        auto it = libraries_.find(key);
        if (it == libraries_.end()) return;
        handles_.erase(ModuleOf(*it->second));
        retired_.push_back(std::move(it->second));
        libraries_.erase(it);
    }
    static HMODULE ModuleOf(Library& library) { return reinterpret_cast<HMODULE>(&library); }

private:
    std::mutex mutex_;
    std::map<std::string, std::unique_ptr<Library>> libraries_;
    std::map<HMODULE, Library*> handles_;
    std::vector<std::unique_ptr<Library>> retired_;
};

// The program's own module: a handle that names no library.
HMODULE ProgramModule() {
    static const char anchor = 0;
    return reinterpret_cast<HMODULE>(const_cast<char*>(&anchor));
}

}  // namespace proceduretable

using proceduretable::Table;

void RegisterProcedure(std::string_view library, std::string_view name, FARPROC procedure) {
    std::lock_guard lock(Table::Instance().Mutex());
    Table::Instance().Add(proceduretable::LibraryKey(library)).procedures[std::string(name)] = procedure;
}

void UnregisterLibrary(std::string_view library) {
    std::lock_guard lock(Table::Instance().Mutex());
    Table::Instance().Remove(proceduretable::LibraryKey(library));
}

HMODULE LoadLibrary(const char* name) {
    if (!name) return nullptr;
    std::lock_guard lock(Table::Instance().Mutex());
    proceduretable::Library* library = Table::Instance().Find(proceduretable::LibraryKey(name));
    if (!library) return nullptr;
    ++library->uses;
    return Table::ModuleOf(*library);
}

HMODULE GetModuleHandle(const char* name) {
    if (!name) return proceduretable::ProgramModule();
    std::lock_guard lock(Table::Instance().Mutex());
    proceduretable::Library* library = Table::Instance().Find(proceduretable::LibraryKey(name));
    return library ? Table::ModuleOf(*library) : nullptr;
}

bool FreeLibrary(HMODULE module) {
    std::lock_guard lock(Table::Instance().Mutex());
    proceduretable::Library* library = module ? Table::Instance().Find(module) : nullptr;
    if (!library || library->uses == 0) return false;
    --library->uses;
    return true;
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    // Ordinals (values below 0x10000) name no function of ours.
    if (reinterpret_cast<std::uintptr_t>(name) < 0x10000) return nullptr;
    std::lock_guard lock(Table::Instance().Mutex());
    proceduretable::Library* library = module ? Table::Instance().Find(module) : nullptr;
    if (!library) return nullptr;
    auto it = library->procedures.find(std::string_view(name));
    return it == library->procedures.end() ? nullptr : it->second;
}

}  // namespace parch
