#include "pdf/core/ScrivletDigest.h"

#include <gtest/gtest.h>

#include "base/Streams.h"
#include "tests/pdf/core/ToolOracle.h"

namespace parch {
namespace {

using oracle::FromHex;
using oracle::RandomBytes;
using oracle::ToHex;

TEST(MD5, MatchesTheRfc1321TestSuite) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [message, digest] : cases) {
        EXPECT_EQ(MD5ToHex(MD5OfString(message)), digest) << message;
        EXPECT_EQ(MD5ToString(MD5OfString(message)), FromHex(digest)) << message;
    }
}

TEST(MD5, StreamDigestReadsTheWholeStreamFromItsStartAcrossChunks) {
    for (std::size_t size : {0u, 7999u, 8000u, 8001u, 20000u}) {
        const std::string data = RandomBytes(size, static_cast<std::uint32_t>(size));
        TStringStream stream(data);
        stream.Seek(0, TSeekOrigin::soEnd);
        EXPECT_EQ(MD5OfStream(stream), MD5ToString(MD5OfString(data))) << size;
    }
}

TEST(SHA2, MatchesTheFips180Examples) {
    const std::string abc = "abc";
    const std::string twoBlocks256 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    const std::string twoBlocks512 =
        "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";
    EXPECT_EQ(ToHex(SHA256OfBytes("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(ToHex(SHA256OfBytes(abc)), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(ToHex(SHA256OfBytes(twoBlocks256)), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(ToHex(SHA384OfBytes("")),
              "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b");
    EXPECT_EQ(ToHex(SHA384OfBytes(abc)),
              "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7");
    EXPECT_EQ(ToHex(SHA384OfBytes(twoBlocks512)),
              "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa91746039");
    EXPECT_EQ(ToHex(SHA512OfBytes("")),
              "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f"
              "63b931bd47417a81a538327af927da3e");
    EXPECT_EQ(ToHex(SHA512OfBytes(abc)),
              "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd"
              "454d4423643ce80e2a9ac94fa54ca49f");
    EXPECT_EQ(ToHex(SHA512OfBytes(twoBlocks512)),
              "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b5433a"
              "c7d329eeb6dd26545e96e55b874be909");
}

// Random messages around every block boundary, checked against openssl.
TEST(Digests, AgreeWithOpensslOnRandomData) {
    const std::pair<const char*, std::string (*)(std::string_view)> sha2[] = {
        {"sha256", SHA256OfBytes}, {"sha384", SHA384OfBytes}, {"sha512", SHA512OfBytes}};
    for (std::size_t size : {1u, 55u, 56u, 63u, 64u, 111u, 112u, 127u, 128u, 129u, 1000u, 100003u}) {
        const std::string data = RandomBytes(size, static_cast<std::uint32_t>(size * 7));
        const std::string file = oracle::WriteScratchFile("digest.bin", data);
        EXPECT_EQ(MD5ToString(MD5OfString(data)), oracle::RunTool("openssl dgst -md5 -binary " + file)) << size;
        for (const auto& [name, digest] : sha2)
            EXPECT_EQ(digest(data), oracle::RunTool(std::string("openssl dgst -") + name + " -binary " + file))
                << name << " " << size;
    }
}

TEST(SHA2, FeedingInPiecesGivesTheOneShotDigest) {
    const std::string data = RandomBytes(1000, 3);
    TSVLSha256 sha256;
    TSVLSha384 sha384;
    TSVLSha512 sha512;
    TSVLHash* hashes[] = {&sha256, &sha384, &sha512};
    const std::string expected[] = {SHA256OfBytes(data), SHA384OfBytes(data), SHA512OfBytes(data)};
    for (int h = 0; h < 3; ++h) {
        hashes[h]->Start();
        for (std::size_t start = 0, piece = 1; start < data.size(); start += piece, piece = piece * 3 % 251 + 1)
            hashes[h]->Feed(data.data() + start, std::min(piece, data.size() - start));
        std::string digest(hashes[h]->DigestSize(), '\0');
        hashes[h]->Finish(digest.data());
        EXPECT_EQ(digest, expected[h]) << h;
    }
}

TEST(SHA2, RefusesFeedAndFinishOnAHashThatIsNotStarted) {
    TSVLSha512 hash;
    char digest[64];
    EXPECT_THROW(hash.Feed("a", 1), ESVLHash);
    hash.Start();
    hash.Finish(digest);
    try {
        hash.Finish(digest);
        FAIL() << "a second Finish must raise";
    } catch (const ESVLHash& error) {
        EXPECT_STREQ(error.what(), "Hash not initialized");
    }
}

}  // namespace
}  // namespace parch
