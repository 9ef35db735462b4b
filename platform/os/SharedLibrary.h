#pragma once
// Shared libraries opened on first use instead of at start-up: a program that never needs one
// (a page count never writes metadata or lists fonts) does not pay for loading it and its
// dependencies. An opened library stays loaded for the rest of the process.

#include <string>

namespace parch {

// The library by its file name (as the dynamic loader looks it up); nullptr when it cannot be
// loaded.
void* OpenSharedLibrary(const char* fileName);

// Why the last OpenSharedLibrary or SharedLibrarySymbol of this thread failed, as the dynamic
// loader says it; empty when it has nothing to say.
std::string SharedLibraryError();

// The address of the symbol in an opened library; nullptr when the library is nullptr or lacks
// it.
void* SharedLibrarySymbol(void* library, const char* name);

// The function under the name, typed as the declaration `Function` it stands for.
template <typename Function>
Function* SharedLibraryFunction(void* library, const char* name) {
    return reinterpret_cast<Function*>(SharedLibrarySymbol(library, name));
}

}  // namespace parch
