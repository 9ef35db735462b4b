#pragma once
// Message digests of the PDF library: MD5 (RFC 1321) for the security handler's older revisions
// and for identifiers, and the SHA-2 family (FIPS 180-4) for the newer revisions.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/SysUtils.h"

namespace parch {

class TStream;

// An MD5 digest in RFC 1321 byte order.
using TMD5Digest = std::array<std::uint8_t, 16>;

TMD5Digest MD5OfString(std::string_view data);
// The digest of the whole stream, read from its start, as 16 bytes.
std::string MD5OfStream(TStream& stream);
// 32 lowercase hexadecimal digits.
std::string MD5ToHex(const TMD5Digest& digest);
std::string MD5ToString(const TMD5Digest& digest);

// Error of the hash classes.
class ESVLHash : public Exception {
public:
    using Exception::Exception;
};

// A hash is started, fed any number of times and finished once; finishing wipes it, so it must
// be started again before the next message.
class TSVLHash {
public:
    virtual ~TSVLHash() = default;
    virtual void Start() = 0;
    // Writes the digest (DigestSize bytes) and wipes the state.
    virtual void Finish(void* digest) = 0;
    virtual void Wipe() = 0;
    virtual void Feed(const void* buffer, std::size_t count) = 0;
    virtual std::size_t DigestSize() const = 0;

protected:
    bool started_ = false;
};

class TSVLSha256 : public TSVLHash {
public:
    ~TSVLSha256() override { Wipe(); }
    void Start() override;
    void Finish(void* digest) override;
    void Wipe() override;
    void Feed(const void* buffer, std::size_t count) override;
    std::size_t DigestSize() const override { return 32; }

private:
    void Compress();

    std::uint32_t lengthHigh_ = 0;
    std::uint32_t lengthLow_ = 0;
    std::uint32_t fill_ = 0;
    std::array<std::uint32_t, 8> state_{};
    std::array<std::uint8_t, 64> block_{};
};

// The 128-byte-block engine shared by SHA-384 and SHA-512.
class TSVLSha512Base : public TSVLHash {
public:
    ~TSVLSha512Base() override { Wipe(); }
    void Wipe() override;
    void Feed(const void* buffer, std::size_t count) override;

protected:
    void Load(const std::array<std::uint64_t, 8>& initial);
    void FinishInto(void* digest, std::size_t size);

private:
    void Compress();

    std::uint64_t lengthHigh_ = 0;
    std::uint64_t lengthLow_ = 0;
    std::uint32_t fill_ = 0;
    std::array<std::uint64_t, 8> state_{};
    std::array<std::uint8_t, 128> block_{};
};

class TSVLSha384 : public TSVLSha512Base {
public:
    void Start() override;
    void Finish(void* digest) override { FinishInto(digest, 48); }
    std::size_t DigestSize() const override { return 48; }
};

class TSVLSha512 : public TSVLSha512Base {
public:
    void Start() override;
    void Finish(void* digest) override { FinishInto(digest, 64); }
    std::size_t DigestSize() const override { return 64; }
};

// One-shot digests; the result holds 32, 48 or 64 bytes.
std::string SHA256OfBytes(std::string_view data);
std::string SHA384OfBytes(std::string_view data);
std::string SHA512OfBytes(std::string_view data);

}  // namespace parch
