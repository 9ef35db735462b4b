#include "platform/os/SharedLibrary.h"

#include <dlfcn.h>

namespace parch {

void* OpenSharedLibrary(const char* fileName) { return ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL); }

std::string SharedLibraryError() {
    const char* message = ::dlerror();
    return message ? message : "";
}

void* SharedLibrarySymbol(void* library, const char* name) {
    return library ? ::dlsym(library, name) : nullptr;
}

}  // namespace parch
