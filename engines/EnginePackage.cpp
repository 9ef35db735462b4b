// An engine package: run with -ptelmova, it puts its engine into the folder it lives in (the
// program folder). The engine is the poppler tool named at build time, taken from PATH.
// It is written under a temporary name and renamed, so a run never starts half an engine.

#include "platform/os/Files.h"
#include "platform/os/Process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kEngineFile = PARCH_ENGINE_FILE;
constexpr const char* kEngineTool = PARCH_ENGINE_TOOL;

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CopyInto(int target, const std::string& sourcePath) {
    const int source = ::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return false;
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(source, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!WriteAll(target, buffer, static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    ::close(source);
    return ok;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "-ptelmova") != 0)
        return Fail(std::string("Usage: ") + (argc > 0 ? argv[0] : "package") + " -ptelmova");

    const std::string folder = parch::ProgramFolder();
    // Only PATH: the program folder holds no tool of that name, and must not be searched.
    const auto tool = parch::FindProgram(kEngineTool, "/");
    if (!tool) return Fail(std::string(kEngineTool) + " is not installed");

    std::string temporary = folder + "." + kEngineFile + "-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return Fail("Cannot write into " + folder + ": " + std::strerror(errno));
    const bool copied = CopyInto(fd, *tool) && ::fchmod(fd, 0755) == 0;
    const bool closed = ::close(fd) == 0;
    if (!copied || !closed || !parch::RenameFile(temporary, folder + kEngineFile)) {
        ::unlink(temporary.c_str());
        return Fail(std::string("Cannot write ") + folder + kEngineFile);
    }
    return 0;
}
