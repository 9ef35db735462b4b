#pragma once
// AES (FIPS 197) with 128-, 192- and 256-bit keys, the modes of NIST SP 800-38A over raw
// buffers, and the byte-string functions the security handler calls.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace parch {

// One key schedule, for encryption or for decryption. A context that no key set-up has filled
// (RoundsTimes16 0) is refused by every operation.
struct TAESContext {
    std::array<std::uint32_t, 60> RoundKeys{};
    std::uint8_t RoundsTimes16 = 0;  // 160, 192 or 224
    std::uint8_t Reserved = 0;
    std::uint8_t Position = 0;  // bytes used of the current block in CFB, OFB and CTR
    std::uint8_t Reserved2 = 0;
};

inline constexpr std::size_t AESBlockSize = 16;

// Result codes of the block-cipher module.
inline constexpr int AESOk = 0;
inline constexpr int AESFailure = 1;

// keyLength is 16, 24 or 32 (bytes) or 128, 192 or 256 (bits); any other length returns
// AESFailure and leaves the context as it was.
int AESEncryptKey(const std::uint8_t* key, int keyLength, TAESContext& context);
int AESDecryptKey(const std::uint8_t* key, int keyLength, TAESContext& context);

// One 16-byte block; in and out may be the same buffer.
int AESEncryptBlock(const std::uint8_t* in, std::uint8_t* out, const TAESContext& context);
int AESDecryptBlock(const std::uint8_t* in, std::uint8_t* out, const TAESContext& context);

// ECB and CBC take whole blocks only: any other length returns AESFailure without writing.
// The IV (counter block for CTR) is updated so that consecutive calls continue one stream.
int AESECBEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, const TAESContext& context);
int AESECBDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, const TAESContext& context);
int AESCBCEncryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* iv,
                        const TAESContext& context);
int AESCBCDecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* iv,
                        const TAESContext& context);

// CFB-128, OFB and CTR take any length; all three run on an encryption context and continue a
// partly used block in the next call through the context's position.
int AESCFBEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* iv,
                  TAESContext& context);
int AESCFBDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* iv,
                  TAESContext& context);
int AESOFBCrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* iv,
                TAESContext& context);
// Advances the counter block after each block of key stream.
using TAESCounterIncrement = void (*)(std::uint8_t* counterBlock);
int AESCTRCrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* counterBlock,
                TAESCounterIncrement increment, TAESContext& context);
void AESModeReset(TAESContext& context);
// The tables are constant data: nothing to prepare.
inline void AESInit() {}

// Byte-string functions. The CBC functions neither add nor remove padding and take the IV's
// first 16 bytes (zeros where it is shorter). Keys are 16, 24 or 32 bytes. Only whole blocks
// are processed: a key of another length gives an empty result, and a trailing partial block is
// left out of the result; either sets *damaged when given.
std::string AESCBCEncrypt(std::string_view key, std::string_view iv, std::string_view data,
                          bool* damaged = nullptr);
std::string AESCBCDecrypt(std::string_view key, std::string_view iv, std::string_view data,
                          bool* damaged = nullptr);
// A random IV followed by the CBC encryption of data padded with p bytes of value p (1 to 16).
// Empty when the key has no valid length.
std::string AESEncryptWithRandomIV(std::string_view key, std::string_view data);
// The first 16 bytes are the IV; the rest is decrypted and the padding cut by the value of the
// last byte (a value at or above the length leaves nothing). Data too short for the IV counts
// as damaged.
std::string AESDecryptWithIV(std::string_view key, std::string_view data, bool* damaged = nullptr);

}  // namespace parch
