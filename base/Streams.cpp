#include "base/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "base/Exceptions.h"

namespace parch {

// ---- TStream

std::int64_t TStream::GetSize() {
    const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(position, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    constexpr std::int64_t kBlock = 65536;
    std::string buffer(static_cast<std::size_t>(std::min(count, kBlock)), '\0');
    std::int64_t copied = 0;
    while (copied < count) {
        const std::int64_t n = std::min(count - copied, kBlock);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        copied += n;
    }
    return copied;
}

std::string TStream::ReadToEnd() {
    std::string bytes;
    // A stream that knows its size is read into one allocation (bounded, since a stream's size
    // is only a hint: what is read decides the length).
    constexpr std::int64_t kLargestReservation = std::int64_t{1} << 28;
    const std::int64_t position = GetPosition();
    const std::int64_t remaining = position >= 0 ? GetSize() - position : 0;
    if (remaining > 0) bytes.reserve(static_cast<std::size_t>(std::min(remaining, kLargestReservation)));
    char block[65536];
    while (true) {
        const std::int64_t n = Read(block, sizeof block);
        if (n <= 0) break;
        bytes.append(block, static_cast<std::size_t>(n));
    }
    return bytes;
}

// ---- TMemoryStream

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    const auto size = static_cast<std::int64_t>(data_.size());
    if (count <= 0 || position_ >= size) return 0;
    const std::int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0 || position_ < 0) return 0;
    const std::int64_t end = position_ + count;
    if (end > static_cast<std::int64_t>(data_.size())) data_.resize(static_cast<std::size_t>(end));
    std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
    position_ = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    switch (origin) {
        case TSeekOrigin::soBeginning: position_ = offset; break;
        case TSeekOrigin::soCurrent: position_ += offset; break;
        case TSeekOrigin::soEnd: position_ = static_cast<std::int64_t>(data_.size()) + offset; break;
    }
    position_ = std::max<std::int64_t>(position_, 0);
    return position_;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
    data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(newSize, 0)));
    position_ = std::min(position_, static_cast<std::int64_t>(data_.size()));
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    data_ = source.ReadToEnd();
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& destination) const {
    destination.WriteBuffer(data_.data(), static_cast<std::int64_t>(data_.size()));
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

// ---- THandleStream

THandleStream::~THandleStream() {
    if (handle_ >= 0) ::close(handle_);
}

std::int64_t THandleStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || handle_ < 0) return 0;
    auto* out = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const auto chunk = static_cast<std::size_t>(
            std::min<std::int64_t>(count - done, std::numeric_limits<int>::max()));
        const ssize_t n = ::read(handle_, out + done, chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return done;
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::int64_t THandleStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0 || handle_ < 0) return 0;
    const auto* in = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const auto chunk = static_cast<std::size_t>(
            std::min<std::int64_t>(count - done, std::numeric_limits<int>::max()));
        const ssize_t n = ::write(handle_, in + done, chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return done;
        done += n;
    }
    return done;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    int whence = SEEK_SET;
    if (origin == TSeekOrigin::soCurrent) whence = SEEK_CUR;
    if (origin == TSeekOrigin::soEnd) whence = SEEK_END;
    return ::lseek(handle_, offset, whence);
}

void THandleStream::SetSize(std::int64_t newSize) {
    if (::ftruncate(handle_, newSize) != 0) throw EOSError::FromErrno(errno);
    // The position stays where it was unless the file now ends before it.
    if (Seek(0, TSeekOrigin::soCurrent) > newSize) Seek(newSize, TSeekOrigin::soBeginning);
}

// ---- TFileStream

int FileOpenForAccess(const std::string& fileName, int accessBits) {
    int flags = O_RDONLY;
    if (accessBits == 1) flags = O_WRONLY;
    else if (accessBits == 2) flags = O_RDWR;
    else if (accessBits != 0) return -1;
    const int handle = ::open(fileName.c_str(), flags | O_CLOEXEC);
    struct stat info {};
    if (handle >= 0 && (::fstat(handle, &info) != 0 || S_ISDIR(info.st_mode))) {
        ::close(handle);
        return -1;
    }
    return handle;
}

int FileCreateEmpty(const std::string& fileName) {
    return ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

namespace {

int OpenFileStreamHandle(const std::string& fileName, std::uint16_t mode) {
    if ((mode & fmCreate) == fmCreate) {
        const int handle = FileCreateEmpty(fileName);
        if (handle < 0) throw EFCreateError("Cannot create file \"" + fileName + "\"");
        return handle;
    }
    const int handle = FileOpenForAccess(fileName, mode & 3);
    if (handle < 0) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    return handle;
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, std::uint16_t mode)
    : THandleStream(OpenFileStreamHandle(fileName, mode)) {}

}  // namespace parch
