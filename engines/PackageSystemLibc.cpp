// The package's system services through the C library, for the sanitizer builds and systems
// whose system call convention the freestanding package does not know.

#include "engines/PackageSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

extern char** environ;

namespace parch::package {

namespace {

long Answer(long result) { return result < 0 ? -errno : result; }

}  // namespace

long ReadLink(const char* path, char* buffer, unsigned long size) { return Answer(::readlink(path, buffer, size)); }

bool IsExecutableFile(const char* path) {
    struct stat info;
    return ::stat(path, &info) == 0 && S_ISREG(info.st_mode) && ::access(path, X_OK) == 0;
}

int Link(const char* existing, const char* created) { return static_cast<int>(Answer(::link(existing, created))); }
int OpenForReading(const char* path) { return static_cast<int>(Answer(::open(path, O_RDONLY | O_CLOEXEC))); }

int CreateNewFile(const char* path) {
    return static_cast<int>(Answer(::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)));
}

long CopyFileRange(int from, int to, unsigned long size) {
    return Answer(::copy_file_range(from, nullptr, to, nullptr, size, 0));
}

long Read(int fd, void* buffer, unsigned long size) { return Answer(::read(fd, buffer, size)); }
long Write(int fd, const void* buffer, unsigned long size) { return Answer(::write(fd, buffer, size)); }
int Rewind(int fd) { return static_cast<int>(Answer(::lseek(fd, 0, SEEK_SET))); }
int TruncateToEmpty(int fd) { return static_cast<int>(Answer(::ftruncate(fd, 0))); }
int MakeExecutable(int fd) { return static_cast<int>(Answer(::fchmod(fd, 0755))); }
int Close(int fd) { return static_cast<int>(Answer(::close(fd))); }
int Rename(const char* from, const char* to) { return static_cast<int>(Answer(::rename(from, to))); }
int Unlink(const char* path) { return static_cast<int>(Answer(::unlink(path))); }
int ProcessId() { return static_cast<int>(::getpid()); }

}  // namespace parch::package

int main(int argc, char** argv) { return parch::package::RunPackage(argc, argv, environ); }
