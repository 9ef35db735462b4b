#pragma once
// TZDecompressionStream: reads one zlib stream (RFC 1950) out of a source stream. At the
// stream's end the unread input is given back to the source, so the source stands right after
// the stream and back-to-back streams can be read one after another.

#include <array>
#include <memory>
#include <string>

#include "base/Streams.h"
#include "base/SysUtils.h"

namespace parch {

class EZLibError : public Exception {
public:
    EZLibError(int code, const std::string& message) : Exception(message), code_(code) {}
    explicit EZLibError(int code);
    int ErrorCode() const { return code_; }

private:
    int code_;
};

class EZDecompressionError : public EZLibError {
public:
    using EZLibError::EZLibError;
};

class TZDecompressionStream : public TStream {
public:
    // Starts at the source's current position; the source is borrowed.
    explicit TZDecompressionStream(TStream& source);
    ~TZDecompressionStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // Offset 0 from the beginning restarts at the stream's first byte; forward seeks read and
    // discard; offset 0 from the end reads to the stream's end. Gives the output so far.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;

    // True once zlib reported the stream's end (its check value included).
    bool StreamFinished() const { return finished_; }

private:
    struct ZState;
    void Restart();
    void SkipForward(std::int64_t count);

    TStream& source_;
    std::int64_t start_;
    std::int64_t sourcePosition_;
    std::unique_ptr<ZState> z_;
    std::array<unsigned char, 65536> input_{};
    bool finished_ = false;
};

}  // namespace parch
