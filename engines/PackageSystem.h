#pragma once
// The few system services an engine package uses. Every run starts a package before its first
// engine, so where the system call convention is known a package is freestanding
// (PackageSystemLinux.cpp: no C library, an entry point of its own), and its start costs a
// handful of page faults instead of the C library's set-up. Elsewhere, and under the
// sanitizers, the C library serves (PackageSystemLibc.cpp).
//
// Each service answers as the kernel does: a result >= 0, or the negated error number.

namespace parch::package {

// The package itself, given the process's arguments and environment; answers the exit code.
int RunPackage(int argc, char** argv, char** environment);

long ReadLink(const char* path, char* buffer, unsigned long size);
// A regular file that this process may execute.
bool IsExecutableFile(const char* path);
int Link(const char* existing, const char* created);
int OpenForReading(const char* path);
// Creates a file open for writing, mode 0600; fails with -EEXIST when the name is taken.
int CreateNewFile(const char* path);
long CopyFileRange(int from, int to, unsigned long size);
long Read(int fd, void* buffer, unsigned long size);
long Write(int fd, const void* buffer, unsigned long size);
int Rewind(int fd);
int TruncateToEmpty(int fd);
int MakeExecutable(int fd);  // mode 0755
int Close(int fd);
int Rename(const char* from, const char* to);
int Unlink(const char* path);
int ProcessId();

}  // namespace parch::package
