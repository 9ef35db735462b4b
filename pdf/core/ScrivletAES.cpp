#include "pdf/core/ScrivletAES.h"

#include <sys/random.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PARCH_AES_INSTRUCTIONS 1
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace parch {

namespace {

// --- Constant tables, computed at compile time from the field arithmetic of FIPS 197 ---------

constexpr std::uint8_t Times2(std::uint8_t x) {
    return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1b : 0));
}

constexpr std::uint8_t Multiply(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    for (; b != 0; b >>= 1, a = Times2(a))
        if (b & 1) product ^= a;
    return product;
}

constexpr std::uint8_t RotateByte(std::uint8_t x, int count) {
    return static_cast<std::uint8_t>((x << count) | (x >> (8 - count)));
}

struct Tables {
    std::uint8_t Sbox[256]{};
    std::uint8_t InvSbox[256]{};
    std::uint32_t Encrypt[4][256]{};
    std::uint32_t Decrypt[4][256]{};
};

constexpr std::uint32_t RotateRight(std::uint32_t value, int count) {
    return count == 0 ? value : (value >> count) | (value << (32 - count));
}

constexpr Tables MakeTables() {
    // Powers of the generator 3 give the multiplicative inverses cheaply.
    std::uint8_t power[255]{}, logarithm[256]{};
    std::uint8_t p = 1;
    for (int i = 0; i < 255; ++i) {
        power[i] = p;
        logarithm[p] = static_cast<std::uint8_t>(i);
        p = static_cast<std::uint8_t>(p ^ Times2(p));
    }
    Tables t;
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t b = x == 0 ? 0 : power[(255 - logarithm[x]) % 255];
        const std::uint8_t s = static_cast<std::uint8_t>(b ^ RotateByte(b, 1) ^ RotateByte(b, 2) ^
                                                         RotateByte(b, 3) ^ RotateByte(b, 4) ^ 0x63);
        t.Sbox[x] = s;
        t.InvSbox[s] = static_cast<std::uint8_t>(x);
    }
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = t.Sbox[x];
        const std::uint32_t mixed = (std::uint32_t{Multiply(s, 2)} << 24) | (std::uint32_t{s} << 16) |
                                    (std::uint32_t{s} << 8) | Multiply(s, 3);
        const std::uint8_t i = t.InvSbox[x];
        const std::uint32_t unmixed = (std::uint32_t{Multiply(i, 14)} << 24) | (std::uint32_t{Multiply(i, 9)} << 16) |
                                      (std::uint32_t{Multiply(i, 13)} << 8) | Multiply(i, 11);
        for (int r = 0; r < 4; ++r) {
            t.Encrypt[r][x] = RotateRight(mixed, 8 * r);
            t.Decrypt[r][x] = RotateRight(unmixed, 8 * r);
        }
    }
    return t;
}

constexpr Tables kTables = MakeTables();

std::uint32_t LoadWord(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           bytes[3];
}

void StoreWord(std::uint32_t value, std::uint8_t* bytes) {
    bytes[0] = static_cast<std::uint8_t>(value >> 24);
    bytes[1] = static_cast<std::uint8_t>(value >> 16);
    bytes[2] = static_cast<std::uint8_t>(value >> 8);
    bytes[3] = static_cast<std::uint8_t>(value);
}

std::uint32_t SubWord(std::uint32_t w) {
    return (std::uint32_t{kTables.Sbox[w >> 24]} << 24) | (std::uint32_t{kTables.Sbox[(w >> 16) & 255]} << 16) |
           (std::uint32_t{kTables.Sbox[(w >> 8) & 255]} << 8) | kTables.Sbox[w & 255];
}

// InvMixColumns of one word: the decryption tables undo the S-box first, so feed them S(x).
std::uint32_t InvMixWord(std::uint32_t w) {
    return kTables.Decrypt[0][kTables.Sbox[w >> 24]] ^ kTables.Decrypt[1][kTables.Sbox[(w >> 16) & 255]] ^
           kTables.Decrypt[2][kTables.Sbox[(w >> 8) & 255]] ^ kTables.Decrypt[3][kTables.Sbox[w & 255]];
}

int KeyBytes(int keyLength) {
    switch (keyLength) {
        case 16: case 128: return 16;
        case 24: case 192: return 24;
        case 32: case 256: return 32;
        default: return 0;
    }
}

int Rounds(const TAESContext& context) {
    switch (context.RoundsTimes16) {
        case 160: return 10;
        case 192: return 12;
        case 224: return 14;
        default: return 0;
    }
}

// FIPS 197 key expansion; gives the number of rounds, 0 for a refused length.
int ExpandKey(const std::uint8_t* key, int keyLength, std::array<std::uint32_t, 60>& words) {
    const int keyWords = KeyBytes(keyLength) / 4;
    if (keyWords == 0) return 0;
    const int rounds = keyWords + 6;
    const int total = 4 * (rounds + 1);
    for (int i = 0; i < keyWords; ++i) words[i] = LoadWord(key + 4 * i);
    std::uint8_t roundConstant = 1;
    for (int i = keyWords; i < total; ++i) {
        std::uint32_t temp = words[i - 1];
        if (i % keyWords == 0) {
            temp = SubWord((temp << 8) | (temp >> 24)) ^ (std::uint32_t{roundConstant} << 24);
            roundConstant = Times2(roundConstant);
        } else if (keyWords > 6 && i % keyWords == 4) {
            temp = SubWord(temp);
        }
        words[i] = words[i - keyWords] ^ temp;
    }
    return rounds;
}

void SetUp(TAESContext& context, const std::array<std::uint32_t, 60>& words, int rounds) {
    context.RoundKeys = words;
    context.RoundsTimes16 = static_cast<std::uint8_t>(16 * rounds);
    context.Reserved = context.Position = context.Reserved2 = 0;
}

void XorBlock(std::uint8_t* target, const std::uint8_t* source) {
    for (std::size_t i = 0; i < AESBlockSize; ++i) target[i] ^= source[i];
}

bool WholeBlocks(std::size_t length) { return length % AESBlockSize == 0; }

// Runs a byte-wise streaming mode; step(position, in, out) handles one byte at the context's
// position inside the current block.
template <typename Step>
void RunStreamMode(const std::uint8_t* in, std::uint8_t* out, std::size_t length, TAESContext& context,
                   Step&& step) {
    for (std::size_t i = 0; i < length; ++i) {
        step(context.Position, in[i], out[i]);
        context.Position = static_cast<std::uint8_t>((context.Position + 1) % AESBlockSize);
    }
}

std::string FirstBlockOf(std::string_view iv) {
    std::string block(AESBlockSize, '\0');
    std::memcpy(block.data(), iv.data(), std::min(iv.size(), AESBlockSize));
    return block;
}

const std::uint8_t* Bytes(std::string_view text) { return reinterpret_cast<const std::uint8_t*>(text.data()); }
std::uint8_t* Bytes(std::string& text) { return reinterpret_cast<std::uint8_t*>(text.data()); }

#ifdef PARCH_AES_INSTRUCTIONS
// The processor's AES instructions, when it has them, do a block in a few cycles where the tables
// take a few hundred; the results are the same.
bool HasAESInstructions() {
    static const bool present = __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse2");
    return present;
}

__attribute__((target("aes,sse2"))) void CBCEncryptWithInstructions(const std::uint8_t* in, std::uint8_t* out,
                                                                    std::size_t length, std::uint8_t* iv,
                                                                    const TAESContext& context, int rounds) {
    // Round keys as the instructions take them: each word's bytes in the key's order.
    __m128i keys[15];
    for (int round = 0; round <= rounds; ++round) {
        std::uint8_t bytes[AESBlockSize];
        for (int column = 0; column < 4; ++column) StoreWord(context.RoundKeys[4 * round + column], bytes + 4 * column);
        keys[round] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    }
    __m128i state = _mm_loadu_si128(reinterpret_cast<const __m128i*>(iv));
    for (std::size_t offset = 0; offset < length; offset += AESBlockSize) {
        state = _mm_xor_si128(state, _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + offset)));
        state = _mm_xor_si128(state, keys[0]);
        for (int round = 1; round < rounds; ++round) state = _mm_aesenc_si128(state, keys[round]);
        state = _mm_aesenclast_si128(state, keys[rounds]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + offset), state);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(iv), state);
}
#endif

template <typename SetKey, typename RunBlocks>
std::string CBCOfString(std::string_view key, std::string_view iv, std::string_view data, bool* damaged,
                        SetKey setKey, RunBlocks runBlocks) {
    const std::size_t whole = data.size() - data.size() % AESBlockSize;
    TAESContext context;
    const bool keyOk = setKey(Bytes(key), static_cast<int>(key.size()), context) == AESOk;
    if (damaged) *damaged = !keyOk || whole != data.size();
    if (!keyOk || whole == 0) return {};
    std::string block = FirstBlockOf(iv);
    std::string result(data.substr(0, whole));
    runBlocks(Bytes(result), Bytes(result), whole, Bytes(block), context);
    return result;
}

}  // namespace

int AESEncryptKey(const std::uint8_t* key, int keyLength, TAESContext& context) {
    std::array<std::uint32_t, 60> words{};
    const int rounds = ExpandKey(key, keyLength, words);
    if (rounds == 0) return AESFailure;
    SetUp(context, words, rounds);
    return AESOk;
}

int AESDecryptKey(const std::uint8_t* key, int keyLength, TAESContext& context) {
    std::array<std::uint32_t, 60> words{};
    const int rounds = ExpandKey(key, keyLength, words);
    if (rounds == 0) return AESFailure;
    // Equivalent inverse cipher: round keys in reverse order, the inner ones unmixed.
    std::array<std::uint32_t, 60> inverse{};
    for (int round = 0; round <= rounds; ++round)
        for (int column = 0; column < 4; ++column) {
            const std::uint32_t w = words[4 * (rounds - round) + column];
            inverse[4 * round + column] = (round == 0 || round == rounds) ? w : InvMixWord(w);
        }
    SetUp(context, inverse, rounds);
    return AESOk;
}

int AESEncryptBlock(const std::uint8_t* in, std::uint8_t* out, const TAESContext& context) {
    const int rounds = Rounds(context);
    if (rounds == 0) return AESFailure;
    const std::uint32_t* key = context.RoundKeys.data();
    const auto& T = kTables.Encrypt;
    std::uint32_t s0 = LoadWord(in) ^ key[0], s1 = LoadWord(in + 4) ^ key[1];
    std::uint32_t s2 = LoadWord(in + 8) ^ key[2], s3 = LoadWord(in + 12) ^ key[3];
    for (int round = 1; round < rounds; ++round) {
        key += 4;
        const std::uint32_t t0 = T[0][s0 >> 24] ^ T[1][(s1 >> 16) & 255] ^ T[2][(s2 >> 8) & 255] ^ T[3][s3 & 255] ^ key[0];
        const std::uint32_t t1 = T[0][s1 >> 24] ^ T[1][(s2 >> 16) & 255] ^ T[2][(s3 >> 8) & 255] ^ T[3][s0 & 255] ^ key[1];
        const std::uint32_t t2 = T[0][s2 >> 24] ^ T[1][(s3 >> 16) & 255] ^ T[2][(s0 >> 8) & 255] ^ T[3][s1 & 255] ^ key[2];
        const std::uint32_t t3 = T[0][s3 >> 24] ^ T[1][(s0 >> 16) & 255] ^ T[2][(s1 >> 8) & 255] ^ T[3][s2 & 255] ^ key[3];
        s0 = t0; s1 = t1; s2 = t2; s3 = t3;
    }
    key += 4;
    const auto& S = kTables.Sbox;
    auto last = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t k) {
        return ((std::uint32_t{S[a >> 24]} << 24) | (std::uint32_t{S[(b >> 16) & 255]} << 16) |
                (std::uint32_t{S[(c >> 8) & 255]} << 8) | S[d & 255]) ^ k;
    };
    const std::uint32_t r0 = last(s0, s1, s2, s3, key[0]), r1 = last(s1, s2, s3, s0, key[1]);
    const std::uint32_t r2 = last(s2, s3, s0, s1, key[2]), r3 = last(s3, s0, s1, s2, key[3]);
    StoreWord(r0, out); StoreWord(r1, out + 4); StoreWord(r2, out + 8); StoreWord(r3, out + 12);
    return AESOk;
}

int AESDecryptBlock(const std::uint8_t* in, std::uint8_t* out, const TAESContext& context) {
    const int rounds = Rounds(context);
    if (rounds == 0) return AESFailure;
    const std::uint32_t* key = context.RoundKeys.data();
    const auto& T = kTables.Decrypt;
    std::uint32_t s0 = LoadWord(in) ^ key[0], s1 = LoadWord(in + 4) ^ key[1];
    std::uint32_t s2 = LoadWord(in + 8) ^ key[2], s3 = LoadWord(in + 12) ^ key[3];
    for (int round = 1; round < rounds; ++round) {
        key += 4;
        const std::uint32_t t0 = T[0][s0 >> 24] ^ T[1][(s3 >> 16) & 255] ^ T[2][(s2 >> 8) & 255] ^ T[3][s1 & 255] ^ key[0];
        const std::uint32_t t1 = T[0][s1 >> 24] ^ T[1][(s0 >> 16) & 255] ^ T[2][(s3 >> 8) & 255] ^ T[3][s2 & 255] ^ key[1];
        const std::uint32_t t2 = T[0][s2 >> 24] ^ T[1][(s1 >> 16) & 255] ^ T[2][(s0 >> 8) & 255] ^ T[3][s3 & 255] ^ key[2];
        const std::uint32_t t3 = T[0][s3 >> 24] ^ T[1][(s2 >> 16) & 255] ^ T[2][(s1 >> 8) & 255] ^ T[3][s0 & 255] ^ key[3];
        s0 = t0; s1 = t1; s2 = t2; s3 = t3;
    }
    key += 4;
    const auto& S = kTables.InvSbox;
    auto last = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t k) {
        return ((std::uint32_t{S[a >> 24]} << 24) | (std::uint32_t{S[(b >> 16) & 255]} << 16) |
                (std::uint32_t{S[(c >> 8) & 255]} << 8) | S[d & 255]) ^ k;
    };
    const std::uint32_t r0 = last(s0, s3, s2, s1, key[0]), r1 = last(s1, s0, s3, s2, key[1]);
    const std::uint32_t r2 = last(s2, s1, s0, s3, key[2]), r3 = last(s3, s2, s1, s0, key[3]);
    StoreWord(r0, out); StoreWord(r1, out + 4); StoreWord(r2, out + 8); StoreWord(r3, out + 12);
    return AESOk;
}

int AESECBEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, const TAESContext& context) {
    if (!WholeBlocks(length)) return AESFailure;
    for (std::size_t offset = 0; offset < length; offset += AESBlockSize)
        if (AESEncryptBlock(in + offset, out + offset, context) != AESOk) return AESFailure;
    return AESOk;
}

int AESECBDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, const TAESContext& context) {
    if (!WholeBlocks(length)) return AESFailure;
    for (std::size_t offset = 0; offset < length; offset += AESBlockSize)
        if (AESDecryptBlock(in + offset, out + offset, context) != AESOk) return AESFailure;
    return AESOk;
}

int AESCBCEncryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* iv,
                        const TAESContext& context) {
    if (!WholeBlocks(length) || Rounds(context) == 0) return AESFailure;
#ifdef PARCH_AES_INSTRUCTIONS
    if (HasAESInstructions()) {
        CBCEncryptWithInstructions(in, out, length, iv, context, Rounds(context));
        return AESOk;
    }
#endif
    for (std::size_t offset = 0; offset < length; offset += AESBlockSize) {
        XorBlock(iv, in + offset);
        AESEncryptBlock(iv, iv, context);
        std::memcpy(out + offset, iv, AESBlockSize);
    }
    return AESOk;
}

int AESCBCDecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* iv,
                        const TAESContext& context) {
    if (!WholeBlocks(length) || Rounds(context) == 0) return AESFailure;
    std::uint8_t kept[AESBlockSize];
    for (std::size_t offset = 0; offset < length; offset += AESBlockSize) {
        std::memcpy(kept, in + offset, AESBlockSize);
        AESDecryptBlock(kept, out + offset, context);
        XorBlock(out + offset, iv);
        std::memcpy(iv, kept, AESBlockSize);
    }
    return AESOk;
}

int AESCFBEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* iv,
                  TAESContext& context) {
    if (Rounds(context) == 0) return AESFailure;
    RunStreamMode(in, out, length, context, [&](std::uint8_t position, std::uint8_t plain, std::uint8_t& cipher) {
        if (position == 0) AESEncryptBlock(iv, iv, context);
        iv[position] ^= plain;
        cipher = iv[position];
    });
    return AESOk;
}

int AESCFBDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* iv,
                  TAESContext& context) {
    if (Rounds(context) == 0) return AESFailure;
    RunStreamMode(in, out, length, context, [&](std::uint8_t position, std::uint8_t cipher, std::uint8_t& plain) {
        if (position == 0) AESEncryptBlock(iv, iv, context);
        plain = iv[position] ^ cipher;
        iv[position] = cipher;
    });
    return AESOk;
}

int AESOFBCrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* iv,
                TAESContext& context) {
    if (Rounds(context) == 0) return AESFailure;
    RunStreamMode(in, out, length, context, [&](std::uint8_t position, std::uint8_t source, std::uint8_t& target) {
        if (position == 0) AESEncryptBlock(iv, iv, context);
        target = source ^ iv[position];
    });
    return AESOk;
}

int AESCTRCrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t length, std::uint8_t* counterBlock,
                TAESCounterIncrement increment, TAESContext& context) {
    if (Rounds(context) == 0 || increment == nullptr) return AESFailure;
    // The key stream of a partly used block is made again from its counter, which advances only
    // once the block is used up.
    std::uint8_t stream[AESBlockSize];
    if (context.Position != 0) AESEncryptBlock(counterBlock, stream, context);
    RunStreamMode(in, out, length, context, [&](std::uint8_t position, std::uint8_t source, std::uint8_t& target) {
        if (position == 0) AESEncryptBlock(counterBlock, stream, context);
        target = source ^ stream[position];
        if (position == AESBlockSize - 1) increment(counterBlock);
    });
    return AESOk;
}

void AESModeReset(TAESContext& context) { context.Position = 0; }

std::string AESCBCEncrypt(std::string_view key, std::string_view iv, std::string_view data, bool* damaged) {
    return CBCOfString(key, iv, data, damaged, AESEncryptKey, AESCBCEncryptBlocks);
}

std::string AESCBCDecrypt(std::string_view key, std::string_view iv, std::string_view data, bool* damaged) {
    return CBCOfString(key, iv, data, damaged, AESDecryptKey, AESCBCDecryptBlocks);
}

std::string AESEncryptWithRandomIV(std::string_view key, std::string_view data) {
    if (KeyBytes(static_cast<int>(key.size())) != static_cast<int>(key.size())) return {};
    std::string iv(AESBlockSize, '\0');
    std::size_t filled = 0;
    while (filled < iv.size()) {
        const ssize_t got = getrandom(iv.data() + filled, iv.size() - filled, 0);
        if (got < 0 && errno != EINTR) return {};
        if (got > 0) filled += static_cast<std::size_t>(got);
    }
    const std::size_t padding = AESBlockSize - data.size() % AESBlockSize;
    std::string padded(data);
    padded.append(padding, static_cast<char>(padding));
    return iv + AESCBCEncrypt(key, iv, padded);
}

std::string AESDecryptWithIV(std::string_view key, std::string_view data, bool* damaged) {
    const std::string_view iv = data.substr(0, AESBlockSize);
    std::string plain = AESCBCDecrypt(key, iv, data.substr(iv.size()), damaged);
    if (damaged && iv.size() < AESBlockSize) *damaged = true;
    if (plain.empty()) return plain;
    const std::size_t padding = static_cast<std::uint8_t>(plain.back());
    if (padding >= plain.size()) return {};
    plain.resize(plain.size() - padding);
    return plain;
}

}  // namespace parch
