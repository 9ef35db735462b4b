// The package's system services as Linux system calls on x86-64, and its entry point: no C
// library is linked, so nothing is set up before RunPackage but the stack the kernel made.

#include "engines/PackageSystem.h"

#include <asm/stat.h>
#include <asm/unistd.h>
#include <linux/fcntl.h>

namespace parch::package {

namespace {

long SystemCall(long number, long a = 0, long b = 0, long c = 0, long d = 0, long e = 0, long f = 0) {
    long result;
    register long r10 __asm__("r10") = d;
    register long r8 __asm__("r8") = e;
    register long r9 __asm__("r9") = f;
    __asm__ volatile("syscall"
                     : "=a"(result)
                     : "a"(number), "D"(a), "S"(b), "d"(c), "r"(r10), "r"(r8), "r"(r9)
                     : "rcx", "r11", "memory");
    return result;
}

template <typename T>
long Arg(T* pointer) { return reinterpret_cast<long>(pointer); }

// The file-type bits of a mode and the regular file's value (the UAPI headers hide theirs
// from programs built with the C library's headers).
constexpr unsigned kFileType = 0170000, kRegularFile = 0100000;

}  // namespace

long ReadLink(const char* path, char* buffer, unsigned long size) {
    return SystemCall(__NR_readlinkat, AT_FDCWD, Arg(path), Arg(buffer), static_cast<long>(size));
}

bool IsExecutableFile(const char* path) {
    struct stat info;
    return SystemCall(__NR_newfstatat, AT_FDCWD, Arg(path), Arg(&info), 0) == 0 && (info.st_mode & kFileType) == kRegularFile &&
           SystemCall(__NR_faccessat, AT_FDCWD, Arg(path), 1 /* X_OK */) == 0;
}

int Link(const char* existing, const char* created) {
    return static_cast<int>(SystemCall(__NR_linkat, AT_FDCWD, Arg(existing), AT_FDCWD, Arg(created), 0));
}

int OpenForReading(const char* path) {
    return static_cast<int>(SystemCall(__NR_openat, AT_FDCWD, Arg(path), O_RDONLY | O_CLOEXEC));
}

int CreateNewFile(const char* path) {
    return static_cast<int>(
        SystemCall(__NR_openat, AT_FDCWD, Arg(path), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
}

long CopyFileRange(int from, int to, unsigned long size) {
    return SystemCall(__NR_copy_file_range, from, 0, to, 0, static_cast<long>(size), 0);
}

long Read(int fd, void* buffer, unsigned long size) {
    return SystemCall(__NR_read, fd, Arg(buffer), static_cast<long>(size));
}

long Write(int fd, const void* buffer, unsigned long size) {
    return SystemCall(__NR_write, fd, Arg(buffer), static_cast<long>(size));
}

int Rewind(int fd) { return static_cast<int>(SystemCall(__NR_lseek, fd, 0, 0 /* SEEK_SET */)); }
int TruncateToEmpty(int fd) { return static_cast<int>(SystemCall(__NR_ftruncate, fd, 0)); }
int MakeExecutable(int fd) { return static_cast<int>(SystemCall(__NR_fchmod, fd, 0755)); }
int Close(int fd) { return static_cast<int>(SystemCall(__NR_close, fd)); }

int Rename(const char* from, const char* to) {
    return static_cast<int>(SystemCall(__NR_renameat, AT_FDCWD, Arg(from), AT_FDCWD, Arg(to)));
}

int Unlink(const char* path) { return static_cast<int>(SystemCall(__NR_unlinkat, AT_FDCWD, Arg(path), 0)); }
int ProcessId() { return static_cast<int>(SystemCall(__NR_getpid)); }

}  // namespace parch::package

// The kernel's initial stack: the argument count, the arguments, a null, the environment, a
// null. Called from _start with that stack's address.
extern "C" [[noreturn]] void PackageStart(long* stack) {
    const int argc = static_cast<int>(stack[0]);
    char** argv = reinterpret_cast<char**>(stack + 1);
    const int code = parch::package::RunPackage(argc, argv, argv + argc + 1);
    for (;;) parch::package::SystemCall(__NR_exit_group, code);
}

// The entry point: the ABI wants a 16-byte aligned stack at a call and no frame to return to.
__asm__(".text\n"
        ".globl _start\n"
        ".type _start, @function\n"
        "_start:\n"
        "  xor %ebp, %ebp\n"
        "  mov %rsp, %rdi\n"
        "  and $-16, %rsp\n"
        "  call PackageStart\n"
        "  hlt\n");

// What the compiler may call for copies, clears and comparisons of its own. Built with loop
// pattern recognition off, so these loops are not turned back into calls of themselves.
extern "C" {
void* memcpy(void* to, const void* from, unsigned long size) {
    auto* target = static_cast<unsigned char*>(to);
    const auto* source = static_cast<const unsigned char*>(from);
    for (unsigned long i = 0; i < size; ++i) target[i] = source[i];
    return to;
}
void* memmove(void* to, const void* from, unsigned long size) {
    auto* target = static_cast<unsigned char*>(to);
    const auto* source = static_cast<const unsigned char*>(from);
    if (target <= source) return memcpy(to, from, size);
    for (unsigned long i = size; i > 0; --i) target[i - 1] = source[i - 1];
    return to;
}
void* memset(void* to, int value, unsigned long size) {
    auto* target = static_cast<unsigned char*>(to);
    for (unsigned long i = 0; i < size; ++i) target[i] = static_cast<unsigned char>(value);
    return to;
}
int memcmp(const void* a, const void* b, unsigned long size) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    for (unsigned long i = 0; i < size; ++i)
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    return 0;
}
void* memchr(const void* text, int value, unsigned long size) {
    const auto* bytes = static_cast<const unsigned char*>(text);
    for (unsigned long i = 0; i < size; ++i)
        if (bytes[i] == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(bytes + i);
    return nullptr;
}
unsigned long strlen(const char* text) {
    unsigned long length = 0;
    while (text[length] != '\0') ++length;
    return length;
}
}
