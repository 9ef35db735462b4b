// RC4 and AES against their published test vectors and against openssl on random data.
#include <gtest/gtest.h>

#include "pdf/core/ScrivletAES.h"
#include "pdf/core/ScrivletEncrypt.h"
#include "tests/pdf/core/ToolOracle.h"

namespace parch {
namespace {

using oracle::FromHex;
using oracle::RandomBytes;
using oracle::ToHex;

const std::uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }
std::uint8_t* Bytes(std::string& s) { return reinterpret_cast<std::uint8_t*>(s.data()); }

// openssl's cipher output for data in a scratch file; the legacy provider holds RC4.
std::string Openssl(const std::string& cipher, const std::string& key, const std::string& iv, const std::string& data,
                    bool decrypt = false) {
    const std::string file = oracle::WriteScratchFile("cipher.bin", data);
    std::string command = "openssl enc -provider legacy -provider default -" + cipher + (decrypt ? " -d" : "") +
                          " -nopad -K " + ToHex(key) + " -in " + file;
    if (!iv.empty()) command += " -iv " + ToHex(iv);
    return oracle::RunTool(command + " 2>/dev/null");
}

TEST(RC4, MatchesRfc6229KeyStreams) {
    const std::string zeros(32, '\0');
    EXPECT_EQ(ToHex(RC4Crypt(FromHex("0102030405"), zeros)),
              "b2396305f03dc027ccc3524a0a1118a86982944f18fc82d589c403a47a0d0919");
    EXPECT_EQ(ToHex(RC4Crypt(FromHex("0102030405060708"), zeros)),
              "97ab8a1bf0afb96132f2f67258da15a88263efdb45c4a18684ef87e6b19e5b09");
    EXPECT_EQ(ToHex(RC4Crypt(FromHex("0102030405060708090a0b0c0d0e0f10"), zeros)),
              "9ac7cc9a609d1ef7b2932899cde41b975248c4959014126a6e8a84f11d1a9e1c");
}

TEST(RC4, AgreesWithOpensslAndUndoesItself) {
    const std::string key = RandomBytes(16, 1);
    const std::string data = RandomBytes(5000, 2);
    const std::string encrypted = RC4Crypt(key, data);
    EXPECT_EQ(encrypted, Openssl("rc4", key, "", data));
    EXPECT_EQ(RC4Crypt(key, encrypted), data);
    EXPECT_EQ(RC4Crypt(key, ""), "");
    // An empty key would divide by zero in the key schedule; the data comes back unchanged.
    EXPECT_EQ(RC4Crypt("", "data"), "data");
}

struct Fips197Case {
    const char* key;
    const char* cipher;
};

TEST(AES, BlockOperationsMatchFips197ForAllKeySizes) {
    const std::string plain = FromHex("00112233445566778899aabbccddeeff");
    const Fips197Case cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const auto& c : cases) {
        const std::string key = FromHex(c.key);
        TAESContext encryption, decryption;
        ASSERT_EQ(AESEncryptKey(Bytes(key), static_cast<int>(key.size()), encryption), AESOk);
        ASSERT_EQ(AESDecryptKey(Bytes(key), static_cast<int>(key.size() * 8), decryption), AESOk);
        EXPECT_EQ(encryption.RoundsTimes16, 16 * (key.size() / 4 + 6));
        std::string block = plain;
        ASSERT_EQ(AESEncryptBlock(Bytes(block), Bytes(block), encryption), AESOk);
        EXPECT_EQ(ToHex(block), c.cipher);
        ASSERT_EQ(AESDecryptBlock(Bytes(block), Bytes(block), decryption), AESOk);
        EXPECT_EQ(block, plain);
    }
}

TEST(AES, KeySetUpAcceptsByteAndBitLengthsOnly) {
    const std::string key = RandomBytes(32, 4);
    TAESContext byBytes, byBits;
    EXPECT_EQ(AESEncryptKey(Bytes(key), 16, byBytes), AESOk);
    EXPECT_EQ(AESEncryptKey(Bytes(key), 128, byBits), AESOk);
    EXPECT_EQ(byBytes.RoundKeys, byBits.RoundKeys);
    EXPECT_EQ(byBytes.RoundsTimes16, byBits.RoundsTimes16);

    TAESContext untouched = byBytes;
    EXPECT_EQ(AESEncryptKey(Bytes(key), 20, untouched), AESFailure);
    EXPECT_EQ(untouched.RoundKeys, byBytes.RoundKeys);
    TAESContext empty;
    std::string block(16, 'x');
    EXPECT_EQ(AESEncryptBlock(Bytes(block), Bytes(block), empty), AESFailure);
    EXPECT_EQ(AESECBEncrypt(Bytes(block), Bytes(block), 15, byBytes), AESFailure);
}

void IncrementCounter(std::uint8_t* counter) {
    for (int i = 15; i >= 0 && ++counter[i] == 0; --i) {
    }
}

// Every mode against openssl on random data; the streaming modes are run in uneven pieces to
// check that a partly used block carries over from call to call.
TEST(AES, ModesAgreeWithOpensslOnRandomData) {
    for (std::size_t keySize : {16u, 24u, 32u}) {
        const std::string key = RandomBytes(keySize, static_cast<std::uint32_t>(keySize));
        const std::string iv = RandomBytes(16, 99);
        const std::string bits = std::to_string(keySize * 8);
        const std::string blocks = RandomBytes(160, 5);
        const std::string odd = RandomBytes(173, 6);
        TAESContext encryption, decryption;
        ASSERT_EQ(AESEncryptKey(Bytes(key), static_cast<int>(keySize), encryption), AESOk);
        ASSERT_EQ(AESDecryptKey(Bytes(key), static_cast<int>(keySize), decryption), AESOk);

        std::string out = blocks;
        ASSERT_EQ(AESECBEncrypt(Bytes(blocks), Bytes(out), out.size(), encryption), AESOk);
        EXPECT_EQ(out, Openssl("aes-" + bits + "-ecb", key, "", blocks)) << bits;
        ASSERT_EQ(AESECBDecrypt(Bytes(out), Bytes(out), out.size(), decryption), AESOk);
        EXPECT_EQ(out, blocks);

        EXPECT_EQ(AESCBCEncrypt(key, iv, blocks), Openssl("aes-" + bits + "-cbc", key, iv, blocks)) << bits;
        EXPECT_EQ(AESCBCDecrypt(key, iv, AESCBCEncrypt(key, iv, blocks)), blocks) << bits;

        using StreamMode = int (*)(const std::uint8_t*, std::uint8_t*, std::size_t, std::uint8_t*, TAESContext&);
        const std::pair<const char*, StreamMode> modes[] = {
            {"cfb", AESCFBEncrypt}, {"ofb", AESOFBCrypt}, {"ctr", nullptr}};
        for (const auto& [name, mode] : modes) {
            std::string result = odd;
            std::string chain = iv;
            AESModeReset(encryption);
            for (std::size_t start = 0, piece = 5; start < odd.size(); start += piece, piece += 6) {
                const std::size_t count = std::min(piece, odd.size() - start);
                const int code = mode ? mode(Bytes(result) + start, Bytes(result) + start, count, Bytes(chain), encryption)
                                      : AESCTRCrypt(Bytes(result) + start, Bytes(result) + start, count, Bytes(chain),
                                                    IncrementCounter, encryption);
                ASSERT_EQ(code, AESOk);
            }
            EXPECT_EQ(result, Openssl("aes-" + bits + "-" + name, key, iv, odd)) << name << " " << bits;
        }

        std::string plain = Openssl("aes-" + bits + "-cfb", key, iv, odd);
        std::string chain = iv;
        AESModeReset(encryption);
        ASSERT_EQ(AESCFBDecrypt(Bytes(plain), Bytes(plain), plain.size(), Bytes(chain), encryption), AESOk);
        EXPECT_EQ(plain, odd);
    }
}

TEST(AES, RandomIVEncryptionPadsAndDecryptionUnpads) {
    const std::string key = RandomBytes(16, 7);
    const std::string sixteen = RandomBytes(16, 8);
    const std::string encrypted = AESEncryptWithRandomIV(key, sixteen);
    ASSERT_EQ(encrypted.size(), 48u);
    EXPECT_EQ(AESCBCDecrypt(key, encrypted.substr(0, 16), encrypted.substr(16)), sixteen + std::string(16, '\x10'));
    EXPECT_EQ(AESDecryptWithIV(key, encrypted), sixteen);
    EXPECT_EQ(AESEncryptWithRandomIV(key, "").size(), 32u);
    EXPECT_EQ(AESDecryptWithIV(key, AESEncryptWithRandomIV(key, "")), "");
    for (std::size_t size : {1u, 15u, 17u, 100u}) {
        const std::string data = RandomBytes(size, static_cast<std::uint32_t>(size));
        EXPECT_EQ(AESDecryptWithIV(key, AESEncryptWithRandomIV(key, data)), data) << size;
    }
    EXPECT_EQ(AESEncryptWithRandomIV(RandomBytes(20, 1), "data"), "");
}

TEST(AES, DecryptWithIVCutsByTheLastByte) {
    const std::string key = RandomBytes(32, 9);
    const std::string iv = RandomBytes(16, 10);
    EXPECT_EQ(AESDecryptWithIV(key, iv), "");
    EXPECT_EQ(AESDecryptWithIV(key, iv.substr(0, 5)), "");
    std::string plain = RandomBytes(32, 11);
    plain.back() = '\0';
    EXPECT_EQ(AESDecryptWithIV(key, iv + AESCBCEncrypt(key, iv, plain)), plain);
    plain.back() = 32;
    EXPECT_EQ(AESDecryptWithIV(key, iv + AESCBCEncrypt(key, iv, plain)), "");
}

// Data that is not a whole number of blocks, or a key of another length, used to give bytes
// that no one had written: now only whole blocks are decrypted and the rest is reported.
TEST(AES, PartialBlocksAndBadKeysAreReportedAsDamaged) {
    const std::string key = RandomBytes(16, 12);
    const std::string iv = RandomBytes(16, 13);
    const std::string data = RandomBytes(37, 14);
    bool damaged = false;
    const std::string plain = AESCBCDecrypt(key, iv, data, &damaged);
    EXPECT_TRUE(damaged);
    EXPECT_EQ(plain, AESCBCDecrypt(key, iv, data.substr(0, 32)));
    EXPECT_EQ(plain, Openssl("aes-128-cbc", key, iv, data.substr(0, 32), true));

    AESCBCDecrypt(key, iv, data.substr(0, 32), &damaged);
    EXPECT_FALSE(damaged);
    EXPECT_EQ(AESCBCEncrypt(RandomBytes(20, 1), iv, data.substr(0, 32), &damaged), "");
    EXPECT_TRUE(damaged);

    std::string stored = iv + AESCBCEncrypt(key, iv, std::string(16, 'A') + std::string(16, '\x04'));
    stored += "xyz";
    EXPECT_EQ(AESDecryptWithIV(key, stored, &damaged), std::string(16, 'A') + std::string(12, '\x04'));
    EXPECT_TRUE(damaged);
    EXPECT_EQ(AESDecryptWithIV(key, iv.substr(0, 9), &damaged), "");
    EXPECT_TRUE(damaged);
}

}  // namespace
}  // namespace parch
