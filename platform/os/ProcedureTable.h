#pragma once
// Functions bound by name: one table of libraries ("user32", "msimg32"...) and the functions
// this program implements for them. Layers above add their entries; a library or function
// that nobody added is not found, so callers take their "feature missing" path (as they would
// where a system lacks it). Library names match without ASCII case and without ".dll".

#include <string_view>

namespace parch {

struct HINSTANCE__;
using HMODULE = HINSTANCE__*;
using FARPROC = void (*)();

// Adds (or replaces) a function of a library; the library exists from its first function on.
void RegisterProcedure(std::string_view library, std::string_view name, FARPROC procedure);

template <class Function>
void RegisterProcedureOf(std::string_view library, std::string_view name, Function* procedure) {
    RegisterProcedure(library, name, reinterpret_cast<FARPROC>(procedure));
}

// Takes a library and its functions out of the table: it is no longer found, and handles given
// out for it answer no function (they are never reused for another library). For libraries
// that stand in for a test's fake.
void UnregisterLibrary(std::string_view library);

// The module of a library in the table (its use count raised), or null.
HMODULE LoadLibrary(const char* name);
// The same under the name callers written for single-byte names use.
inline HMODULE LoadLibraryA(const char* name) { return LoadLibrary(name); }
// A library of the table (its functions are part of the process) without raising the use
// count; null names the program itself.
HMODULE GetModuleHandle(const char* name);
// Lowers the use count of a loaded library; false for a module that was not loaded.
bool FreeLibrary(HMODULE module);
// The function of a library module, or null (also for the program module and stale handles).
FARPROC GetProcAddress(HMODULE module, const char* name);

// The function typed as its declaration.
template <class Function>
Function* GetProcAddressOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function*>(GetProcAddress(module, name));
}

}  // namespace parch
