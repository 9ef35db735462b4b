#pragma once
// The streams the libraries carry data in: an abstract stream with 64-bit positions, a stream
// in memory, a stream over a byte string and a file stream.

#include <cstdint>
#include <string>
#include <string_view>

namespace parch {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Bytes actually moved; 0 at the end or on failure (and for a negative count).
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // The new position.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(std::int64_t newSize) = 0;
    virtual std::int64_t GetSize();

    std::int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

    // Whole-buffer transfers: EReadError / EWriteError when fewer bytes move.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    void WriteString(std::string_view bytes) {
        WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    }
    // Copies count bytes from the source's position; a count of 0 copies the whole source
    // from its start. Gives the number of bytes copied.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
    // Everything from the current position to the end.
    std::string ReadToEnd();

protected:
    TStream() = default;
};

// A stream whose bytes are held in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;
    std::int64_t GetSize() override { return static_cast<std::int64_t>(data_.size()); }

    void Clear();
    char* Memory() { return data_.data(); }
    const std::string& Bytes() const { return data_; }
    void LoadFromStream(TStream& source);
    // EFOpenError / EFCreateError when the file cannot be opened or created.
    void LoadFromFile(const std::string& fileName);
    void SaveToStream(TStream& destination) const;
    void SaveToFile(const std::string& fileName) const;

protected:
    std::string data_;
    std::int64_t position_ = 0;
};

// A memory stream over a byte string.
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(std::string bytes = {}) { data_ = std::move(bytes); }
    const std::string& DataString() const { return data_; }
};

// Open modes of the file stream: one access mode, optionally or-ed with one sharing mode.
// Sharing is advisory between processes on this system and is not enforced.
inline constexpr std::uint16_t fmCreate = 0xFF00;
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t fmShareExclusive = 0x0010;
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t fmShareDenyRead = 0x0030;
inline constexpr std::uint16_t fmShareDenyNone = 0x0040;

// A stream over an open file descriptor, which it closes.
class THandleStream : public TStream {
public:
    explicit THandleStream(int handle) : handle_(handle) {}
    ~THandleStream() override;
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    // Ends the file at newSize; EOSError on failure.
    void SetSize(std::int64_t newSize) override;
    int Handle() const { return handle_; }

protected:
    int handle_ = -1;
};

// A file opened by name: fmCreate creates or empties it for reading and writing, otherwise the
// access bits choose read, write or both on an existing file. EFCreateError / EFOpenError
// when that fails.
class TFileStream : public THandleStream {
public:
    TFileStream(const std::string& fileName, std::uint16_t mode);
};

// File-descriptor primitives shared by the file streams; -1 on failure.
int FileOpenForAccess(const std::string& fileName, int accessBits);  // 0 read, 1 write, 2 both
int FileCreateEmpty(const std::string& fileName);

}  // namespace parch
