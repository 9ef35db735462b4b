// The standard security handler: password bytes, object keys, and its answers on documents
// whose dictionaries it must refuse.

#include <gtest/gtest.h>

#include <string>

#include "base/Streams.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletSecurity.h"
#include "tests/pdf/core/PdfBuilder.h"

namespace parch {
namespace {

TEST(SecurityHandler, PasswordBytesPerRevision) {
    const struct {
        std::u16string Password;
        int Revision;
        std::string Bytes;
    } cases[] = {
        {u"user", 2, "user"},
        {u"\u00e4\u20ac", 4, "\xe4\x80"},              // Windows-1252
        {u"\u0416", 3, "?"},                            // no code there
        {u"p\u00e4ss", 6, "p\xc3\xa4ss"},               // UTF-8
        {u"\u2163", 5, "IV"},                           // compatibility form folded
        {u"a\u00adb", 6, "ab"},                         // mapped to nothing
        {u"a\u00a0b", 6, "a b"},                        // non-ASCII space
        {std::u16string(200, u'x'), 6, std::string(127, 'x')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TPDFSecurityHandler::PasswordBytes(c.Password, c.Revision), c.Bytes) << c.Revision;
}

TEST(SecurityHandler, ObjectKeys) {
    TPDFSecurityHandler handler;
    handler.FileKey = std::string(5, '\x11');
    handler.EncryptObjectNumber = 9;
    EXPECT_EQ(handler.ObjectKey(3, 0).size(), 10u);
    EXPECT_EQ(handler.ObjectKey(9, 0), "");  // the Encrypt dictionary's own strings stay
    const std::string rc4 = handler.ObjectKey(3, 0);

    handler.FileKey = std::string(16, '\x11');
    EXPECT_EQ(handler.ObjectKey(3, 0).size(), 16u);
    const std::string longRc4 = handler.ObjectKey(3, 0);
    handler.CryptMethod = TPDFSecurityHandler::kAESV2;
    EXPECT_EQ(handler.ObjectKey(3, 0).size(), 16u);
    EXPECT_NE(handler.ObjectKey(3, 0), longRc4);  // "sAlT" goes into AES keys
    EXPECT_NE(handler.ObjectKey(3, 1), handler.ObjectKey(3, 0));

    handler.CryptMethod = TPDFSecurityHandler::kAESV3;
    handler.FileKey = std::string(32, '\x22');
    EXPECT_EQ(handler.ObjectKey(3, 0), handler.FileKey);
    EXPECT_NE(rc4, longRc4.substr(0, 10));
}

// Key values made for a new AES-256 dictionary authenticate both passwords and give back the
// file key, with the permissions inside Perms.
TEST(SecurityHandler, NewAESV3KeysAuthenticate) {
    TPDFSecurityHandler maker;
    maker.UserPasswordBytes = "user";
    maker.OwnerPasswordBytes = "owner";
    maker.PermissionBits = static_cast<std::uint32_t>(-3904);
    maker.ComputeAESV3Keys();
    ASSERT_EQ(maker.WorkKey.size(), 32u);

    TPDFSecurityHandler reader;
    reader.Encrypted = reader.EncryptionRead = true;
    reader.EncryptVersion = 5;
    reader.Revision = 5;
    reader.KeyLength = 256;
    reader.CryptMethod = TPDFSecurityHandler::kAESV3;
    reader.UserValue = maker.WorkUserValue;
    reader.OwnerValue = maker.WorkOwnerValue;
    reader.UserKeyValue = maker.NewUserKeyValue;
    reader.OwnerKeyValue = maker.NewOwnerKeyValue;
    reader.PermsValue = maker.NewPermsValue;
    for (const std::u16string& password : {std::u16string(u"user"), std::u16string(u"owner")}) {
        reader.CheckPassword(password);
        EXPECT_EQ(reader.FileKey, maker.WorkKey);
        EXPECT_EQ(reader.Permissions, -3904);
        EXPECT_FALSE(reader.KeyMissing());
    }
    EXPECT_TRUE(reader.UserPasswordOk);
    EXPECT_TRUE(reader.OwnerPasswordOk);
    reader.CheckPassword(u"neither");
    EXPECT_FALSE(reader.UserPasswordOk || reader.OwnerPasswordOk);
    EXPECT_EQ(reader.FileKey, "");

    reader.UserKeyValue.clear();  // without /UE the right password opens nothing
    reader.CheckPassword(u"user");
    EXPECT_TRUE(reader.KeyMissing());
}

std::uint8_t OpenWithEncrypt(const std::string& encrypt, std::u16string_view password, const std::string& id = "") {
    testpdf::PdfParts parts = testpdf::PagesParts("<< /Type /Pages /Count 0 /Kids [] >>");
    parts.Objects[3] = encrypt;
    parts.TrailerExtra = " /Encrypt 3 0 R" + id;
    TPDFDocument document;
    TStringStream stream(testpdf::BuildPdf(parts));
    return document.ReadDocument(stream, password);
}

TEST(SecurityHandler, DictionariesItCannotServe) {
    const std::string values = " /O <" + std::string(64, '0') + "> /U <" + std::string(64, '0') + "> /P -4";
    const struct {
        std::string Encrypt;
        std::uint8_t Result;
    } cases[] = {
        {"<< /Filter /FooBar /V 2 /R 3" + values + " >>", kOpenUnsupportedEncryption},
        {"<< /Filter /Standard /V 3 /R 3" + values + " >>", kOpenUnsupportedEncryption},
        {"<< /Filter /Standard /V 4 /R 4 /CF << /StdCF << /CFM /FooBar >> >> /StmF /StdCF /StrF /StdCF" + values +
             " >>",
         kOpenUnsupportedEncryption},
        {"<< /Filter /Standard /V 4 /R 4 /StmF /StdCF /StrF /StdCF" + values + " >>", kOpenUnsupportedEncryption},
        {"<< /Filter /Standard /V 4 /R 4 /CF << /StdCF << /CFM /V2 >> >> /StmF /StdCF /StrF /MyCF" + values + " >>",
         kOpenUnsupportedEncryption},
        {"<< /Filter /Standard /V 4 /R 4 /CF << /StdCF << /CFM /V2 >> >> /StmF /StdCF /StrF (StdCF)" + values + " >>",
         kOpenUnsupportedEncryption},
        {"<< /Filter /Standard /V 4 /R 4 /CF << /StdCF << /CFM /V2 >> >> /StmF /StdCF /StrF /StdCF /EFF /MyCF" +
             values + " >>",
         kOpenUnsupportedEncryption},
        {"<< /Filter /Standard /V 4 /R 4 /CF << /StdCF << /CFM /V2 /Length 5 >> /AesCF << /CFM /AESV2 >> >> "
         "/StmF /AesCF /StrF /StdCF" + values + " >>",
         kOpenUnsupportedEncryption},
        {"<< /Filter /Standard /V 4 /R 4 /CF << /StdCF << /CFM /V2 /Length 5 >> /LongCF << /CFM /V2 >> >> "
         "/StmF /LongCF /StrF /StdCF" + values + " >>",
         kOpenUnsupportedEncryption},
        {"<< /Filter /Standard /V 4 /R 4 /CF << /StdCF << /CFM /AESV3 >> >> /StmF /StdCF /StrF /StdCF" + values +
             " >>",
         kOpenUnsupportedEncryption},
        {"<< /Filter /Standard /V 5 /R 6 /CF << /StdCF << /CFM /AESV2 >> >> /StmF /StdCF /StrF /StdCF" + values +
             " >>",
         kOpenUnsupportedEncryption},
        {"[ /not /a /dictionary ]", kOpenUnreadable},
        // Supported, but the password is wrong (the values were made by no password).
        {"<< /Filter /Standard /V 2 /R 3 /Length 128" + values + " >>", kOpenPasswordNeeded},
        {"<< /Filter /Standard /V 2 /R 3" + values + " >>", kOpenPasswordNeeded},
        {"<< /Filter /Standard /V 2 /R 3 /Length 44" + values + " >>", kOpenPasswordNeeded},
        {"<< /Filter /Standard /V 4 /R 4 /CF << /StdCF << /CFM /None >> >> /StmF /StdCF /StrF /StdCF" + values +
             " >>",
         kOpenPasswordNeeded},
        {"<< /Filter /Standard /V 4 /R 4 /CF << /StdCF << /CFM /AESV2 >> >> /StmF /Identity /StrF /StdCF" +
             values + " >>",
         kOpenPasswordNeeded},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OpenWithEncrypt(c.Encrypt, u""), c.Result) << c.Encrypt;
        EXPECT_EQ(OpenWithEncrypt(c.Encrypt, u"any"), c.Result) << c.Encrypt;
    }
}

// Each class of data follows its own crypt filter: a missing entry and /Identity decrypt
// nothing, nor does a filter whose method is /None (its default); embedded files follow the
// streams unless /EFF names a filter. Without /Length a crypt filter's key is the handler's.
// A trailer whose /Encrypt is the standard handler with the given entries (and empty keys).
TPDFDictionary* TrailerWithEncryption(TPDFStructure& structure, const std::string& entries) {
    return static_cast<TPDFDictionary*>(
        ParseObject(structure, "<< /Encrypt << /Filter /Standard " + entries + " /O <00> /U <00> >> >>"));
}

TEST(SecurityHandler, ReadsCryptFilters) {
    const std::string aes = "/CF << /StdCF << /CFM /AESV2 >> /NoneCF << /CFM /None >> /BareCF << >> >> ";
    const struct {
        std::string Entries;
        bool Strings, Streams, EmbeddedFiles;
        std::uint8_t Method;
        std::int32_t KeyLength;
    } cases[] = {
        {"/V 4 /R 4 " + aes + "/StmF /StdCF /StrF /StdCF", true, true, true, TPDFSecurityHandler::kAESV2, 128},
        {"/V 4 /R 4 " + aes + "/StmF /Identity /StrF /StdCF", true, false, false, TPDFSecurityHandler::kAESV2, 128},
        {"/V 4 /R 4 " + aes + "/StmF /StdCF /StrF /NoneCF", false, true, true, TPDFSecurityHandler::kAESV2, 128},
        {"/V 4 /R 4 " + aes + "/StmF /BareCF /StrF /StdCF", true, false, false, TPDFSecurityHandler::kAESV2, 128},
        {"/V 4 /R 4 " + aes + "/StrF /StdCF", true, false, false, TPDFSecurityHandler::kAESV2, 128},
        {"/V 4 /R 4 " + aes + "/StmF /Identity /StrF /Identity /EFF /StdCF", false, false, true,
         TPDFSecurityHandler::kAESV2, 128},
        {"/V 4 /R 4 " + aes + "/StmF /StdCF /StrF /StdCF /EFF /Identity", true, true, false,
         TPDFSecurityHandler::kAESV2, 128},
        {"/V 4 /R 4 /CF << /StdCF << /CFM /V2 >> >> /StmF /StdCF /StrF /StdCF", true, true, true,
         TPDFSecurityHandler::kRC4, 128},
        {"/V 4 /R 4", false, false, false, TPDFSecurityHandler::kRC4, 128},
        {"/V 5 /R 6 /CF << /StdCF << /CFM /AESV3 >> >> /StmF /Identity /StrF /StdCF", true, false, false,
         TPDFSecurityHandler::kAESV3, 256},
        {"/V 5 /R 6 /CF << /StdCF << /CFM /AESV3 /Length 32 >> >> /StmF /Identity /StrF /Identity /EFF /StdCF",
         false, false, true, TPDFSecurityHandler::kAESV3, 256},
        {"/V 5 /R 5", false, false, false, TPDFSecurityHandler::kAESV3, 256},
    };
    for (const auto& c : cases) {
        TPDFStructure structure;
        TPDFDictionary* trailer = TrailerWithEncryption(structure, c.Entries);
        TPDFSecurityHandler handler;
        handler.ReadEncryption(trailer);
        ASSERT_EQ(handler.EncryptionState(), kSupportedEncryption) << c.Entries;
        EXPECT_EQ(handler.DecryptStrings, c.Strings) << c.Entries;
        EXPECT_EQ(handler.DecryptStreams, c.Streams) << c.Entries;
        EXPECT_EQ(handler.DecryptEmbeddedFiles, c.EmbeddedFiles) << c.Entries;
        EXPECT_EQ(handler.CryptMethod, c.Method) << c.Entries;
        EXPECT_EQ(handler.KeyLength, c.KeyLength) << c.Entries;
    }
}

TEST(SecurityHandler, ReadsKeyLengthAndMetadataFlag) {
    const struct {
        std::string Entries;
        std::int32_t KeyLength;
        bool EncryptMetadata;
    } cases[] = {
        {"/V 1 /R 2", 40, true},
        {"/V 2 /R 3", 40, true},
        {"/V 2 /R 3 /Length 56", 56, true},
        {"/V 4 /R 4 /CF << /StdCF << /CFM /V2 /Length 16 >> >> /StmF /StdCF /StrF /StdCF", 128, true},
        {"/V 4 /R 4 /CF << /StdCF << /CFM /V2 /Length 80 >> >> /StmF /StdCF /StrF /StdCF", 80, true},
        {"/V 4 /R 4 /CF << /StdCF << /CFM /AESV2 >> >> /StmF /StdCF /StrF /StdCF /EncryptMetadata false", 128,
         false},
    };
    for (const auto& c : cases) {
        TPDFStructure structure;
        TPDFDictionary* trailer = TrailerWithEncryption(structure, c.Entries);
        TPDFSecurityHandler handler;
        handler.ReadEncryption(trailer);
        EXPECT_EQ(handler.EncryptionState(), kSupportedEncryption) << c.Entries;
        EXPECT_EQ(handler.KeyLength, c.KeyLength) << c.Entries;
        EXPECT_EQ(handler.EncryptMetadata, c.EncryptMetadata) << c.Entries;
        EXPECT_EQ(trailer->GetValue("ID"), nullptr);  // a missing /ID is not made up
    }
}

}  // namespace
}  // namespace parch
