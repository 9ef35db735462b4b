#pragma once
// Advisory lock on a file (flock): many shared holders or one exclusive holder. Locks belong
// to the open file, so two FileLock objects on one path exclude each other even within one
// process; the lock ends with the object.

#include <string>

namespace parch {

class FileLock {
public:
    // Opens (and creates when missing) the lock file, or opens the folder when the path names
    // one; IsOpen() tells whether that worked.
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // For handing the lock on to a child process, which then holds it as long as it lives.
    int Descriptor() const { return fd_; }
    bool LockShared();          // waits while another holds it exclusively
    bool LockExclusive();       // waits
    bool TryLockExclusive();    // never waits
    bool TryLockShared();       // never waits
    void Unlock();

private:
    bool Apply(int operation);

    int fd_ = -1;
};

}  // namespace parch
