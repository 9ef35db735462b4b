#pragma once
// The standard security handler: reads the trailer's /Encrypt dictionary, authenticates a
// password (user first, then owner), derives the file key and the key of each object, and
// decrypts the strings and streams of an object in place. It only reads; nothing encrypts.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

class TPDFDictionary;
class TPDFObject;

// Answers of TPDFSecurityHandler::EncryptionState.
inline constexpr int kNotEncrypted = 0;
inline constexpr int kSupportedEncryption = 1;
inline constexpr int kUnsupportedEncryption = 2;

class TPDFSecurityHandler {
public:
    // Crypt methods.
    static constexpr std::uint8_t kRC4 = 0;
    static constexpr std::uint8_t kAESV2 = 1;
    static constexpr std::uint8_t kAESV3 = 2;

    // Forgets the dictionary, the password and the keys.
    void Clear();

    // Fills the dictionary fields from the trailer's /Encrypt entry (a reference resolved) and
    // its /ID. The trailer is never changed.
    void ReadEncryption(const TPDFDictionary* trailer);
    int EncryptionState() const;
    void SetPermissions(std::int32_t p);

    // Sets UserPasswordOk or OwnerPasswordOk with Password and FileKey, or clears them.
    void CheckPassword(std::u16string_view password);
    // On success WorkKey holds the file key.
    bool CheckUserPassword(std::u16string_view password);
    bool CheckOwnerPassword(std::u16string_view password);
    // A password was accepted but the dictionary lacks what the file key is made from.
    bool KeyMissing() const { return keyMissing_; }

    // RC4 and AES-128 key values from OwnerPasswordBytes, UserPasswordBytes, WorkOwnerValue and
    // WorkUserValue into WorkKey, WorkOwnerValue and WorkUserValue; AES-256 goes to
    // ComputeAESV3Keys.
    void ComputeStandardKeys();
    // The key values of a new AES-256 dictionary.
    void ComputeAESV3Keys();

    // The key of one indirect object; empty means "do not decrypt".
    std::string ObjectKey(std::int32_t objectNumber, std::int32_t generation) const;
    // Decrypts the strings and streams inside the object in place.
    void DecryptObject(std::string_view key, TPDFObject* object) const;

    // The password's bytes as the key computations take them: Windows-1252 for revisions 2 to
    // 4, UTF-8 after SASLprep (NFKC when the profile refuses it) cut to 127 bytes for 5 and 6.
    static std::string PasswordBytes(std::u16string_view password, std::int32_t revision);

    bool Encrypted = false;
    bool EncryptionRead = false;
    bool DictionaryFound = false;  // /Encrypt led to a dictionary
    std::int32_t KeyLength = 0;  // bits; 0 when unsupported
    std::int32_t Revision = 0;
    std::int32_t EncryptVersion = 0;  // non-zero means supported
    std::string OwnerValue;
    std::string UserValue;
    std::string OwnerKeyValue;
    std::string UserKeyValue;
    std::string PermsValue;
    std::int32_t Permissions = 0;
    std::uint8_t CryptMethod = kRC4;  // of every crypt filter that decrypts
    // Which data the crypt filters decrypt: /Identity and a /CFM of /None leave theirs as it is.
    bool DecryptStrings = true;
    bool DecryptStreams = true;
    bool DecryptEmbeddedFiles = true;
    bool EncryptMetadata = true;
    std::int32_t EncryptObjectNumber = 0;
    std::string FirstId;  // the first string of the trailer's /ID, empty without one
    std::u16string Password;
    bool UserPasswordOk = false;
    bool OwnerPasswordOk = false;
    std::string FileKey;
    std::string WorkKey;
    std::uint32_t PermissionBits = 0;
    // print, copy, modify, annotate
    bool BasicRights[4] = {};
    // fill forms, extract for accessibility, assemble, high-quality print
    bool ExtendedRights[4] = {};
    std::uint8_t EncryptionMode = 0;  // 0 RC4-40, 1 longer RC4, 2 AES-128, 3 AES-256
    std::string WorkOwnerValue;
    std::string WorkUserValue;
    std::string NewOwnerKeyValue;
    std::string NewUserKeyValue;
    std::string NewPermsValue;
    std::string OwnerPasswordBytes;
    std::string UserPasswordBytes;
    bool OpenedWithoutPassword = false;

private:
    void ForgetDictionaryValues();
    bool ReadDictionary(const TPDFDictionary& encrypt);
    bool ReadCryptFilters(const TPDFDictionary& encrypt, std::int64_t version);
    using TPasswordCheck = bool (TPDFSecurityHandler::*)(std::string_view);
    bool WithSomeKeyLength(TPasswordCheck check, std::string_view password);
    bool AuthenticateStandardUser(std::string_view password);
    bool AuthenticateStandardOwner(std::string_view password);
    std::size_t KeyBytes() const;
    std::string FileKeyOf(std::string_view userPassword) const;
    std::string OwnerRC4Key(std::string_view ownerPassword) const;
    std::string UserValueOf(std::string_view fileKey) const;
    bool UserValueMatches(std::string_view computed) const;
    bool CheckAESV3Password(std::string_view password, bool owner);
    std::string PasswordHash(std::string_view password, std::string_view salt, std::string_view userKey);
    void ReadPerms();
    void DecryptValue(std::string_view key, TPDFObject* object, int depth) const;
    std::string DecryptBytes(std::string_view key, std::string_view data) const;

    bool keyMissing_ = false;
    // /Length of a V 2 dictionary was missing or unusable: 40 bits are tried, then 128.
    bool keyLengthGuessed_ = false;
    // Crypt filters that a stream's own /Crypt filter may name to say it is stored clear.
    std::vector<std::string> clearFilters_;
    // Password hashes already computed: opening checks the empty password and then the given
    // one, often the same, and each hash of revision 6 costs dozens of AES and SHA-2 rounds.
    struct THashMemo {
        std::string Password, Salt, UserKey, Hash;
        std::int32_t Revision = 0;
    };
    std::vector<THashMemo> hashMemo_;
};

// The revision 5 and 6 password hash of ISO 32000-2 (algorithm 2.B for revision 6).
std::string AESV3PasswordHash(std::string_view password, std::string_view salt,
                              std::string_view userKey, std::int32_t revision);

}  // namespace parch
