#include "pdf/core/ScrivletDigest.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Streams.h"

namespace parch {

namespace {

std::uint32_t RotateLeft32(std::uint32_t value, int count) {
    return (value << count) | (value >> (32 - count));
}
std::uint32_t RotateRight32(std::uint32_t value, int count) {
    return (value >> count) | (value << (32 - count));
}
std::uint64_t RotateRight64(std::uint64_t value, int count) {
    return (value >> count) | (value << (64 - count));
}

std::uint32_t LoadBigEndian32(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}
std::uint64_t LoadBigEndian64(const std::uint8_t* bytes) {
    return (std::uint64_t{LoadBigEndian32(bytes)} << 32) | LoadBigEndian32(bytes + 4);
}
void StoreBigEndian32(std::uint32_t value, std::uint8_t* bytes) {
    for (int i = 3; i >= 0; --i, value >>= 8) bytes[i] = static_cast<std::uint8_t>(value);
}
void StoreBigEndian64(std::uint64_t value, std::uint8_t* bytes) {
    for (int i = 7; i >= 0; --i, value >>= 8) bytes[i] = static_cast<std::uint8_t>(value);
}

// MD5 of RFC 1321, fed in pieces.
class Md5 {
public:
    void Feed(const std::uint8_t* data, std::size_t count) {
        length_ += count;
        while (count > 0) {
            const std::size_t take = std::min(count, block_.size() - fill_);
            std::memcpy(block_.data() + fill_, data, take);
            fill_ += take;
            data += take;
            count -= take;
            if (fill_ == block_.size()) {
                Compress();
                fill_ = 0;
            }
        }
    }

    TMD5Digest Finish() {
        const std::uint64_t bitLength = length_ * 8;
        const std::uint8_t marker = 0x80;
        Feed(&marker, 1);
        const std::uint8_t zero = 0;
        while (fill_ != 56) Feed(&zero, 1);
        std::uint8_t lengthBytes[8];
        for (int i = 0; i < 8; ++i) lengthBytes[i] = static_cast<std::uint8_t>(bitLength >> (8 * i));
        Feed(lengthBytes, 8);
        TMD5Digest digest;
        for (int word = 0; word < 4; ++word)
            for (int i = 0; i < 4; ++i)
                digest[4 * word + i] = static_cast<std::uint8_t>(state_[word] >> (8 * i));
        return digest;
    }

private:
    void Compress() {
        static constexpr std::uint32_t kSine[64] = {
            0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
            0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
            0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
            0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
            0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
            0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
            0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
            0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
            0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
            0xeb86d391};
        static constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

        std::uint32_t words[16];
        for (int i = 0; i < 16; ++i) {
            const std::uint8_t* b = block_.data() + 4 * i;
            words[i] = std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
                       (std::uint32_t{b[3]} << 24);
        }
        std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
        for (int i = 0; i < 64; ++i) {
            const int round = i / 16;
            std::uint32_t f;
            int index;
            switch (round) {
                case 0: f = (b & c) | (~b & d); index = i; break;
                case 1: f = (d & b) | (~d & c); index = (5 * i + 1) % 16; break;
                case 2: f = b ^ c ^ d; index = (3 * i + 5) % 16; break;
                default: f = c ^ (b | ~d); index = (7 * i) % 16; break;
            }
            const std::uint32_t next = b + RotateLeft32(a + f + kSine[i] + words[index], kShift[round][i % 4]);
            a = d;
            d = c;
            c = b;
            b = next;
        }
        state_[0] += a;
        state_[1] += b;
        state_[2] += c;
        state_[3] += d;
    }

    std::array<std::uint32_t, 4> state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::array<std::uint8_t, 64> block_{};
    std::size_t fill_ = 0;
    std::uint64_t length_ = 0;
};

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr std::size_t kStreamChunk = 8000;
const char* const kNotStarted = "Hash not initialized";

constexpr std::uint32_t kSha256Rounds[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint64_t kSha512Rounds[80] = {
    0x428a2f98d728ae22, 0x7137449123ef65cd, 0xb5c0fbcfec4d3b2f, 0xe9b5dba58189dbbc, 0x3956c25bf348b538,
    0x59f111f1b605d019, 0x923f82a4af194f9b, 0xab1c5ed5da6d8118, 0xd807aa98a3030242, 0x12835b0145706fbe,
    0x243185be4ee4b28c, 0x550c7dc3d5ffb4e2, 0x72be5d74f27b896f, 0x80deb1fe3b1696b1, 0x9bdc06a725c71235,
    0xc19bf174cf692694, 0xe49b69c19ef14ad2, 0xefbe4786384f25e3, 0x0fc19dc68b8cd5b5, 0x240ca1cc77ac9c65,
    0x2de92c6f592b0275, 0x4a7484aa6ea6e483, 0x5cb0a9dcbd41fbd4, 0x76f988da831153b5, 0x983e5152ee66dfab,
    0xa831c66d2db43210, 0xb00327c898fb213f, 0xbf597fc7beef0ee4, 0xc6e00bf33da88fc2, 0xd5a79147930aa725,
    0x06ca6351e003826f, 0x142929670a0e6e70, 0x27b70a8546d22ffc, 0x2e1b21385c26c926, 0x4d2c6dfc5ac42aed,
    0x53380d139d95b3df, 0x650a73548baf63de, 0x766a0abb3c77b2a8, 0x81c2c92e47edaee6, 0x92722c851482353b,
    0xa2bfe8a14cf10364, 0xa81a664bbc423001, 0xc24b8b70d0f89791, 0xc76c51a30654be30, 0xd192e819d6ef5218,
    0xd69906245565a910, 0xf40e35855771202a, 0x106aa07032bbd1b8, 0x19a4c116b8d2d0c8, 0x1e376c085141ab53,
    0x2748774cdf8eeb99, 0x34b0bcb5e19b48a8, 0x391c0cb3c5c95a63, 0x4ed8aa4ae3418acb, 0x5b9cca4f7763e373,
    0x682e6ff3d6b2b8a3, 0x748f82ee5defb2fc, 0x78a5636f43172f60, 0x84c87814a1f0ab72, 0x8cc702081a6439ec,
    0x90befffa23631e28, 0xa4506cebde82bde9, 0xbef9a3f7b2c67915, 0xc67178f2e372532b, 0xca273eceea26619c,
    0xd186b8c721c0c207, 0xeada7dd6cde0eb1e, 0xf57d4f7fee6ed178, 0x06f067aa72176fba, 0x0a637dc5a2c898a6,
    0x113f9804bef90dae, 0x1b710b35131c471b, 0x28db77f523047d84, 0x32caab7b40c72493, 0x3c9ebe0a15c9bebc,
    0x431d67c49c100d4c, 0x4cc5d4becb3e42b6, 0x597f299cfc657e2a, 0x5fcb6fab3ad6faec, 0x6c44198c4a475817};

// The word size, round constants and rotation amounts that tell SHA-256 from SHA-512.
struct Sha256Words {
    using Word = std::uint32_t;
    static constexpr int kRounds = 64;
    static constexpr const Word* kConstants = kSha256Rounds;
    static Word Load(const std::uint8_t* bytes) { return LoadBigEndian32(bytes); }
    static Word Rotate(Word value, int count) { return RotateRight32(value, count); }
    static Word Sigma0(Word x) { return Rotate(x, 7) ^ Rotate(x, 18) ^ (x >> 3); }
    static Word Sigma1(Word x) { return Rotate(x, 17) ^ Rotate(x, 19) ^ (x >> 10); }
    static Word Sum0(Word x) { return Rotate(x, 2) ^ Rotate(x, 13) ^ Rotate(x, 22); }
    static Word Sum1(Word x) { return Rotate(x, 6) ^ Rotate(x, 11) ^ Rotate(x, 25); }
};

struct Sha512Words {
    using Word = std::uint64_t;
    static constexpr int kRounds = 80;
    static constexpr const Word* kConstants = kSha512Rounds;
    static Word Load(const std::uint8_t* bytes) { return LoadBigEndian64(bytes); }
    static Word Rotate(Word value, int count) { return RotateRight64(value, count); }
    static Word Sigma0(Word x) { return Rotate(x, 1) ^ Rotate(x, 8) ^ (x >> 7); }
    static Word Sigma1(Word x) { return Rotate(x, 19) ^ Rotate(x, 61) ^ (x >> 6); }
    static Word Sum0(Word x) { return Rotate(x, 28) ^ Rotate(x, 34) ^ Rotate(x, 39); }
    static Word Sum1(Word x) { return Rotate(x, 14) ^ Rotate(x, 18) ^ Rotate(x, 41); }
};

// The SHA-2 compression function of FIPS 180-4 over one block.
template <typename Words>
void CompressBlock(std::array<typename Words::Word, 8>& state, const std::uint8_t* block) {
    using Word = typename Words::Word;
    Word schedule[Words::kRounds];
    for (int i = 0; i < 16; ++i) schedule[i] = Words::Load(block + sizeof(Word) * i);
    for (int i = 16; i < Words::kRounds; ++i)
        schedule[i] = schedule[i - 16] + Words::Sigma0(schedule[i - 15]) + schedule[i - 7] +
                      Words::Sigma1(schedule[i - 2]);
    Word a = state[0], b = state[1], c = state[2], d = state[3];
    Word e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < Words::kRounds; ++i) {
        const Word t1 = h + Words::Sum1(e) + ((e & f) ^ (~e & g)) + Words::kConstants[i] + schedule[i];
        const Word t2 = Words::Sum0(a) + ((a & b) ^ (a & c) ^ (b & c));
        h = g; g = f; f = e; e = d + t1;
        d = c; c = b; b = a; a = t1 + t2;
    }
    state[0] += a; state[1] += b; state[2] += c; state[3] += d;
    state[4] += e; state[5] += f; state[6] += g; state[7] += h;
    std::memset(schedule, 0, sizeof schedule);
}

// Copies bytes into the block buffer, compressing each time it is full.
template <std::size_t N, typename Compress>
void FeedBlocks(std::array<std::uint8_t, N>& block, std::uint32_t& fill, const void* buffer, std::size_t count,
                Compress compress) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    while (count > 0) {
        const std::size_t take = std::min<std::size_t>(count, N - fill);
        std::memcpy(block.data() + fill, bytes, take);
        fill += static_cast<std::uint32_t>(take);
        bytes += take;
        count -= take;
        if (fill == N) compress();
    }
}

// Appends the 0x80 marker and zeros up to the length field, with one more block first when the
// field no longer fits.
template <std::size_t N, typename Compress>
void PadFinalBlock(std::array<std::uint8_t, N>& block, std::uint32_t& fill, std::size_t lengthBytes,
                   Compress compress) {
    block[fill++] = 0x80;
    if (fill > N - lengthBytes) {
        std::fill(block.begin() + fill, block.end(), 0);
        compress();
    }
    std::fill(block.begin() + fill, block.end() - static_cast<std::ptrdiff_t>(lengthBytes), 0);
}

template <typename Hash>
std::string DigestOf(std::string_view data) {
    Hash hash;
    hash.Start();
    if (!data.empty()) hash.Feed(data.data(), data.size());
    std::string digest(hash.DigestSize(), '\0');
    hash.Finish(digest.data());
    return digest;
}

}  // namespace

TMD5Digest MD5OfString(std::string_view data) {
    Md5 md5;
    md5.Feed(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    return md5.Finish();
}

std::string MD5OfStream(TStream& stream) {
    Md5 md5;
    std::vector<std::uint8_t> chunk(kStreamChunk);
    stream.SetPosition(0);
    for (;;) {
        const std::int64_t count = stream.Read(chunk.data(), static_cast<std::int64_t>(chunk.size()));
        if (count <= 0) break;
        md5.Feed(chunk.data(), static_cast<std::size_t>(count));
    }
    return MD5ToString(md5.Finish());
}

std::string MD5ToHex(const TMD5Digest& digest) {
    std::string text;
    text.reserve(32);
    for (std::uint8_t byte : digest) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 15];
    }
    return text;
}

std::string MD5ToString(const TMD5Digest& digest) {
    return std::string(reinterpret_cast<const char*>(digest.data()), digest.size());
}

// --- SHA-256 ---------------------------------------------------------------------------------

void TSVLSha256::Start() {
    Wipe();
    state_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
              0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    started_ = true;
}

void TSVLSha256::Wipe() {
    lengthHigh_ = lengthLow_ = 0;
    fill_ = 0;
    state_.fill(0);
    block_.fill(0);
    started_ = false;
}

void TSVLSha256::Feed(const void* buffer, std::size_t count) {
    if (!started_) throw ESVLHash(kNotStarted);
    const std::uint64_t bits = std::uint64_t{count} * 8;
    const std::uint32_t low = lengthLow_ + static_cast<std::uint32_t>(bits);
    lengthHigh_ += static_cast<std::uint32_t>(bits >> 32) + (low < lengthLow_ ? 1 : 0);
    lengthLow_ = low;
    FeedBlocks(block_, fill_, buffer, count, [this] { Compress(); });
}

void TSVLSha256::Finish(void* digest) {
    if (!started_) throw ESVLHash(kNotStarted);
    PadFinalBlock(block_, fill_, 8, [this] { Compress(); });
    StoreBigEndian32(lengthHigh_, block_.data() + 56);
    StoreBigEndian32(lengthLow_, block_.data() + 60);
    Compress();
    auto* out = static_cast<std::uint8_t*>(digest);
    for (std::size_t i = 0; i < state_.size(); ++i) StoreBigEndian32(state_[i], out + 4 * i);
    Wipe();
}

void TSVLSha256::Compress() {
    CompressBlock<Sha256Words>(state_, block_.data());
    fill_ = 0;
    block_.fill(0);
}

// --- SHA-384 and SHA-512 ---------------------------------------------------------------------

void TSVLSha512Base::Load(const std::array<std::uint64_t, 8>& initial) {
    Wipe();
    state_ = initial;
    started_ = true;
}

void TSVLSha512Base::Wipe() {
    lengthHigh_ = lengthLow_ = 0;
    fill_ = 0;
    state_.fill(0);
    block_.fill(0);
    started_ = false;
}

void TSVLSha512Base::Feed(const void* buffer, std::size_t count) {
    if (!started_) throw ESVLHash(kNotStarted);
    const std::uint64_t bits = std::uint64_t{count} << 3;
    const std::uint64_t low = lengthLow_ + bits;
    lengthHigh_ += (std::uint64_t{count} >> 61) + (low < lengthLow_ ? 1 : 0);
    lengthLow_ = low;
    FeedBlocks(block_, fill_, buffer, count, [this] { Compress(); });
}

void TSVLSha512Base::FinishInto(void* digest, std::size_t size) {
    if (!started_) throw ESVLHash(kNotStarted);
    PadFinalBlock(block_, fill_, 16, [this] { Compress(); });
    StoreBigEndian64(lengthHigh_, block_.data() + 112);
    StoreBigEndian64(lengthLow_, block_.data() + 120);
    Compress();
    std::uint8_t full[64];
    for (std::size_t i = 0; i < state_.size(); ++i) StoreBigEndian64(state_[i], full + 8 * i);
    std::memcpy(digest, full, size);
    std::memset(full, 0, sizeof full);
    Wipe();
}

void TSVLSha512Base::Compress() {
    CompressBlock<Sha512Words>(state_, block_.data());
    fill_ = 0;
    block_.fill(0);
}

void TSVLSha384::Start() {
    Load({0xcbbb9d5dc1059ed8, 0x629a292a367cd507, 0x9159015a3070dd17, 0x152fecd8f70e5939,
          0x67332667ffc00b31, 0x8eb44a8768581511, 0xdb0c2e0d64f98fa7, 0x47b5481dbefa4fa4});
}

void TSVLSha512::Start() {
    Load({0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b, 0xa54ff53a5f1d36f1,
          0x510e527fade682d1, 0x9b05688c2b3e6c1f, 0x1f83d9abfb41bd6b, 0x5be0cd19137e2179});
}

std::string SHA256OfBytes(std::string_view data) { return DigestOf<TSVLSha256>(data); }
std::string SHA384OfBytes(std::string_view data) { return DigestOf<TSVLSha384>(data); }
std::string SHA512OfBytes(std::string_view data) { return DigestOf<TSVLSha512>(data); }

}  // namespace parch
