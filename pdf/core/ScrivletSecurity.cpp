#include "pdf/core/ScrivletSecurity.h"

#include <sys/random.h>
#include <unicode/unorm2.h>
#include <unicode/usprep.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "pdf/core/ScrivletAES.h"
#include "pdf/core/ScrivletDigest.h"
#include "pdf/core/ScrivletEncrypt.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/core/ScrivletUnicode.h"
#include "platform/os/SharedLibrary.h"

namespace parch {

namespace {

constexpr std::string_view kPadding(
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A",
    32);

// Deep enough for any real object; the parser already stops far below this.
constexpr int kMaxDecryptDepth = 512;

std::string Md5(std::string_view data) { return MD5ToString(MD5OfString(data)); }

std::string Pad(std::string_view password) {
    std::string padded(password.substr(0, 32));
    padded.append(kPadding.substr(0, 32 - padded.size()));
    return padded;
}

std::string LittleEndian(std::uint32_t value, int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string XorKey(std::string_view key, int value) {
    std::string result(key);
    for (char& c : result) c = static_cast<char>(c ^ value);
    return result;
}

std::string RandomBytes(std::size_t count) {
    std::string bytes(count, '\0');
    std::size_t filled = 0;
    while (filled < count) {
        const ssize_t n = ::getrandom(bytes.data() + filled, count - filled, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        filled += static_cast<std::size_t>(n);
    }
    return bytes;
}

std::string StringValue(const TPDFDictionary& dictionary, std::string_view key) {
    const TPDFObject* value = dictionary.GetValue(key, true);
    if (value && value->Kind == kPDFKindString) return static_cast<const TPDFString*>(value)->Bytes;
    return {};
}

std::string NameValue(const TPDFDictionary& dictionary, std::string_view key) {
    const TPDFObject* value = dictionary.GetValue(key, true);
    if (value && value->Kind == kPDFKindName) return static_cast<const TPDFName*>(value)->NameBytes;
    return {};
}

const TPDFDictionary* DictionaryValue(const TPDFDictionary& dictionary, std::string_view key) {
    const TPDFObject* value = dictionary.GetValue(key, true);
    if (value && value->Kind == kPDFKindDictionary) return static_cast<const TPDFDictionary*>(value);
    return nullptr;
}

// Code points 0x80 to 0x9F of Windows-1252; 0 where the code page has none.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string WideToCp1252(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes += static_cast<char>(c);
            continue;
        }
        const char16_t* found = std::find(std::begin(kCp1252High), std::end(kCp1252High), c);
        bytes += (found != std::end(kCp1252High) && c != 0)
                     ? static_cast<char>(0x80 + (found - std::begin(kCp1252High)))
                     : '?';
    }
    return bytes;
}

// ICU, loaded when a password first needs preparing; every member nullptr when it cannot be.
struct IcuFunctions {
    decltype(&usprep_openByType) OpenProfile = nullptr;
    decltype(&usprep_prepare) Prepare = nullptr;
    decltype(&usprep_close) CloseProfile = nullptr;
    decltype(&unorm2_getNFKCInstance) NFKCInstance = nullptr;
    decltype(&unorm2_normalize) Normalize = nullptr;

    bool Complete() const { return OpenProfile && Prepare && CloseProfile && NFKCInstance && Normalize; }
};

// ICU's entry points carry its major version (usprep_prepare_72); the header's renaming gives it.
#define PARCH_ICU_TEXT(name) #name
#define PARCH_ICU_NAME(name) PARCH_ICU_TEXT(name)

IcuFunctions LoadIcu() {
    IcuFunctions f;
    void* library = OpenSharedLibrary("libicuuc.so." PARCH_ICU_NAME(U_ICU_VERSION_MAJOR_NUM));
    if (!library) return f;
    f.OpenProfile = SharedLibraryFunction<decltype(usprep_openByType)>(library, PARCH_ICU_NAME(usprep_openByType));
    f.Prepare = SharedLibraryFunction<decltype(usprep_prepare)>(library, PARCH_ICU_NAME(usprep_prepare));
    f.CloseProfile = SharedLibraryFunction<decltype(usprep_close)>(library, PARCH_ICU_NAME(usprep_close));
    f.NFKCInstance =
        SharedLibraryFunction<decltype(unorm2_getNFKCInstance)>(library, PARCH_ICU_NAME(unorm2_getNFKCInstance));
    f.Normalize = SharedLibraryFunction<decltype(unorm2_normalize)>(library, PARCH_ICU_NAME(unorm2_normalize));
    return f.Complete() ? f : IcuFunctions{};
}

const IcuFunctions& Icu() {
    static const IcuFunctions functions = LoadIcu();
    return functions;
}

// SASLprep (RFC 4013) through ICU; when the profile refuses the text (a prohibited or
// unassigned character), NFKC alone; when even that fails (or ICU is missing), the text
// unchanged.
std::u16string SaslPrepare(std::u16string_view text) {
    if (text.empty() || !Icu().Complete()) return std::u16string(text);
    UErrorCode status = U_ZERO_ERROR;
    UStringPrepProfile* profile = Icu().OpenProfile(USPREP_RFC4013_SASLPREP, &status);
    std::u16string out(text.size() * 4 + 16, u'\0');
    if (U_SUCCESS(status)) {
        const int32_t length =
            Icu().Prepare(profile, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                          reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), USPREP_DEFAULT,
                          nullptr, &status);
        Icu().CloseProfile(profile);
        if (U_SUCCESS(status)) return out.substr(0, static_cast<std::size_t>(length));
    }
    status = U_ZERO_ERROR;
    const UNormalizer2* nfkc = Icu().NFKCInstance(&status);
    if (U_SUCCESS(status)) {
        const int32_t length = Icu().Normalize(
            nfkc, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
            reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &status);
        if (U_SUCCESS(status)) return out.substr(0, static_cast<std::size_t>(length));
    }
    return std::u16string(text);
}

// The entry itself, or the first item when it is an array (a filter chain and its parameters).
const TPDFObject* FirstOf(const TPDFDictionary& dictionary, std::string_view key) {
    const TPDFObject* value = dictionary.GetValue(key, true);
    if (value && value->Kind == kPDFKindArray) value = static_cast<const TPDFArray*>(value)->GetItem(0);
    if (value && value->Kind == kPDFKindIndRef) value = static_cast<const TPDFIndRef*>(value)->Resolve();
    return value;
}

// The crypt filter that a stream names through a /Crypt filter of its own, which must come
// first in its chain; empty when it has none, /Identity when it names none.
std::string OwnCryptFilter(const TPDFDictionary& dictionary) {
    const TPDFObject* filter = FirstOf(dictionary, "Filter");
    if (!filter || filter->Kind != kPDFKindName || static_cast<const TPDFName*>(filter)->NameBytes != "Crypt")
        return {};
    const TPDFObject* parms = FirstOf(dictionary, "DecodeParms");
    if (!parms || parms->Kind != kPDFKindDictionary) return "Identity";
    const std::string name = NameValue(*static_cast<const TPDFDictionary*>(parms), "Name");
    return name.empty() ? "Identity" : name;
}

// RC4 keys run from 40 to 128 bits in whole bytes.
bool ValidRC4Bits(std::int64_t bits) { return bits >= 40 && bits <= 128 && bits % 8 == 0; }

// A crypt filter's /Length: writers give bytes as often as bits.
std::int64_t CryptFilterBits(std::int64_t length) { return length <= 32 ? length * 8 : length; }

// What one of /StmF, /StrF or /EFF selects.
struct TCryptFilter {
    bool Supported = false;
    bool Decrypts = false;  // false: the data is stored as it is
    std::uint8_t Method = 0;
    std::int32_t KeyBits = 0;
};

// A crypt filter whose method is /None, the default, decrypts nothing.
bool StoresClear(const TPDFDictionary& definition) {
    const TPDFObject* method = definition.GetValue("CFM", true);
    return !method || (method->Kind == kPDFKindName && static_cast<const TPDFName*>(method)->NameBytes == "None");
}

// The crypt filter that the entry names: /Identity, or one defined under /CF. A missing entry
// means /Identity.
TCryptFilter CryptFilterOf(const TPDFDictionary& encrypt, std::string_view key, std::int64_t version) {
    TCryptFilter filter;
    const TPDFObject* entry = encrypt.GetValue(key, true);
    if (entry && entry->Kind != kPDFKindName) return filter;
    const std::string name = NameValue(encrypt, key);
    if (name.empty() || name == "Identity") {
        filter.Supported = true;
        return filter;
    }
    const TPDFDictionary* filters = DictionaryValue(encrypt, "CF");
    const TPDFDictionary* definition = filters ? DictionaryValue(*filters, name) : nullptr;
    if (!definition) return filter;
    if (StoresClear(*definition)) {
        filter.Supported = true;
        return filter;
    }
    const std::string method = NameValue(*definition, "CFM");
    // Without /Length the key is as long as the handler's own: 128 bits under V 4.
    const std::int64_t length = definition->GetInteger("Length", 0);
    if (version == 4 && method == "V2") {
        const std::int64_t bits = length > 0 ? CryptFilterBits(length) : 128;
        if (!ValidRC4Bits(bits)) return filter;
        filter.Method = TPDFSecurityHandler::kRC4;
        filter.KeyBits = static_cast<std::int32_t>(bits);
    } else if (version == 4 && method == "AESV2") {
        filter.Method = TPDFSecurityHandler::kAESV2;
        filter.KeyBits = 128;
    } else if (version == 5 && method == "AESV3") {
        filter.Method = TPDFSecurityHandler::kAESV3;
        filter.KeyBits = 256;
    } else {
        return filter;
    }
    filter.Supported = filter.Decrypts = true;
    return filter;
}

}  // namespace

std::string AESV3PasswordHash(std::string_view password, std::string_view salt,
                              std::string_view userKey, std::int32_t revision) {
    std::string k = SHA256OfBytes(std::string(password).append(salt).append(userKey));
    if (revision < 6) return k;
    // Some 64 rounds of AES and SHA-2 over a few kilobytes: one buffer, key schedule and hash
    // state serve them all.
    std::uint8_t key[64];
    std::size_t keySize = 32;
    std::memcpy(key, k.data(), keySize);
    std::vector<std::uint8_t> k1;
    TAESContext context;
    TSVLSha256 sha256;
    TSVLSha384 sha384;
    TSVLSha512 sha512;
    for (int round = 1;; ++round) {
        const std::size_t block = password.size() + keySize + userKey.size();
        k1.resize(block * 64);  // a multiple of the AES block size
        std::memcpy(k1.data(), password.data(), password.size());
        std::memcpy(k1.data() + password.size(), key, keySize);
        std::memcpy(k1.data() + password.size() + keySize, userKey.data(), userKey.size());
        for (std::size_t copy = 1; copy < 64; ++copy) std::memcpy(k1.data() + copy * block, k1.data(), block);
        std::uint8_t iv[AESBlockSize];
        std::memcpy(iv, key + 16, AESBlockSize);
        AESEncryptKey(key, 16, context);
        AESCBCEncryptBlocks(k1.data(), k1.data(), k1.size(), iv, context);
        // 256 is 1 modulo 3, so the big-endian number and its byte sum agree modulo 3.
        unsigned sum = 0;
        for (std::size_t i = 0; i < AESBlockSize; ++i) sum += k1[i];
        TSVLHash& hash = sum % 3 == 0 ? static_cast<TSVLHash&>(sha256)
                         : sum % 3 == 1 ? static_cast<TSVLHash&>(sha384)
                                        : static_cast<TSVLHash&>(sha512);
        hash.Start();
        hash.Feed(k1.data(), k1.size());
        keySize = hash.DigestSize();
        hash.Finish(key);
        if (round >= 64 && k1.back() <= round - 32) break;
    }
    std::string result(reinterpret_cast<const char*>(key), 32);
    std::memset(key, 0, sizeof key);
    std::fill(k1.begin(), k1.end(), 0);
    return result;
}

void TPDFSecurityHandler::Clear() { *this = TPDFSecurityHandler(); }

std::string TPDFSecurityHandler::PasswordBytes(std::u16string_view password,
                                               std::int32_t revision) {
    if (revision < 5) return WideToCp1252(password);
    std::string bytes = WideToUtf8(SaslPrepare(password));
    if (bytes.size() > 127) bytes.resize(127);
    return bytes;
}

// The values a supported dictionary fills in.
void TPDFSecurityHandler::ForgetDictionaryValues() {
    KeyLength = Revision = EncryptVersion = 0;
    OwnerValue.clear();
    UserValue.clear();
    OwnerKeyValue.clear();
    UserKeyValue.clear();
    PermsValue.clear();
    CryptMethod = kRC4;
    DecryptStrings = DecryptStreams = DecryptEmbeddedFiles = true;
    keyLengthGuessed_ = false;
    clearFilters_.clear();
}

void TPDFSecurityHandler::ReadEncryption(const TPDFDictionary* trailer) {
    ForgetDictionaryValues();
    Permissions = EncryptObjectNumber = 0;
    FirstId.clear();
    EncryptMetadata = true;
    DictionaryFound = false;
    EncryptionRead = true;
    Encrypted = trailer && trailer->GetValue("Encrypt") != nullptr;
    if (!Encrypted) return;

    // A missing /ID gives an empty first identifier; the trailer is left alone.
    const TPDFObject* ids = trailer->GetValue("ID", true);
    if (ids && ids->Kind == kPDFKindArray) {
        const TPDFObject* first = static_cast<const TPDFArray*>(ids)->GetItem(0);
        if (first && first->Kind == kPDFKindIndRef) first = static_cast<const TPDFIndRef*>(first)->Resolve();
        if (first && first->Kind == kPDFKindString) FirstId = static_cast<const TPDFString*>(first)->Bytes;
    }

    const TPDFObject* entry = trailer->GetValue("Encrypt");
    if (entry->Kind == kPDFKindIndRef) {
        EncryptObjectNumber = static_cast<const TPDFIndRef*>(entry)->RefObjectNumber;
        entry = static_cast<const TPDFIndRef*>(entry)->Resolve();
    }
    if (!entry || entry->Kind != kPDFKindDictionary) return;
    DictionaryFound = true;
    const auto& encrypt = *static_cast<const TPDFDictionary*>(entry);
    const std::int32_t p = static_cast<std::int32_t>(encrypt.GetInteger("P", 0));
    if (!ReadDictionary(encrypt)) ForgetDictionaryValues();
    SetPermissions(p);
}

// The supported dictionaries; anything else leaves EncryptVersion at 0.
bool TPDFSecurityHandler::ReadDictionary(const TPDFDictionary& encrypt) {
    if (NameValue(encrypt, "Filter") != "Standard") return false;
    const std::int64_t v = encrypt.GetInteger("V", 0);
    const std::int64_t r = encrypt.GetInteger("R", 0);
    OwnerValue = StringValue(encrypt, "O");
    UserValue = StringValue(encrypt, "U");
    Permissions = static_cast<std::int32_t>(encrypt.GetInteger("P", 0));
    const TPDFObject* metadataFlag = encrypt.GetValue("EncryptMetadata", true);
    if (metadataFlag && metadataFlag->Kind == kPDFKindBoolean)
        EncryptMetadata = static_cast<const TPDFBoolean*>(metadataFlag)->Truth;

    if (v == 1 && (r == 2 || r == 3)) {
        KeyLength = 40;
    } else if (v == 2 && (r == 2 || r == 3)) {
        const TPDFObject* length = encrypt.GetValue("Length", true);
        const std::int64_t bits = length && length->Kind == kPDFKindNumeric ? encrypt.GetInteger("Length", 0) : 0;
        keyLengthGuessed_ = !ValidRC4Bits(bits);
        KeyLength = keyLengthGuessed_ ? 40 : static_cast<std::int32_t>(bits);
    } else if ((v == 4 && r == 4) || (v == 5 && (r == 5 || r == 6))) {
        if (!ReadCryptFilters(encrypt, v)) return false;
        if (v == 5) {
            OwnerKeyValue = StringValue(encrypt, "OE");
            UserKeyValue = StringValue(encrypt, "UE");
            PermsValue = StringValue(encrypt, "Perms");
        }
    } else {
        return false;
    }
    Revision = static_cast<std::int32_t>(r);
    EncryptVersion = static_cast<std::int32_t>(v);
    return true;
}

// Strings, streams and embedded files each have their crypt filter; embedded files take the
// streams' unless /EFF names one.
bool TPDFSecurityHandler::ReadCryptFilters(const TPDFDictionary& encrypt, std::int64_t version) {
    const TCryptFilter strings = CryptFilterOf(encrypt, "StrF", version);
    const TCryptFilter streams = CryptFilterOf(encrypt, "StmF", version);
    const TCryptFilter files = encrypt.GetValue("EFF") ? CryptFilterOf(encrypt, "EFF", version) : streams;
    const TCryptFilter* decrypting = nullptr;
    for (const TCryptFilter* filter : {&strings, &streams, &files}) {
        if (!filter->Supported) return false;
        if (!filter->Decrypts) continue;
        // One file key and one object key serve them all, so they must agree.
        if (decrypting && (decrypting->Method != filter->Method || decrypting->KeyBits != filter->KeyBits))
            return false;
        decrypting = filter;
    }
    // Nothing decrypts: the password is still checked, with the handler's own key length.
    CryptMethod = decrypting ? decrypting->Method : (version == 5 ? kAESV3 : kRC4);
    KeyLength = decrypting ? decrypting->KeyBits : (version == 5 ? 256 : 128);
    DecryptStrings = strings.Decrypts;
    DecryptStreams = streams.Decrypts;
    DecryptEmbeddedFiles = files.Decrypts;
    clearFilters_ = {"Identity"};
    if (const TPDFDictionary* filters = DictionaryValue(encrypt, "CF"))
        for (const TPDFPair& pair : filters->Pairs) {
            const TPDFDictionary* definition = DictionaryValue(*filters, pair.Key->NameBytes);
            if (definition && StoresClear(*definition)) clearFilters_.push_back(pair.Key->NameBytes);
        }
    return true;
}

int TPDFSecurityHandler::EncryptionState() const {
    if (!Encrypted) return kNotEncrypted;
    return EncryptVersion != 0 ? kSupportedEncryption : kUnsupportedEncryption;
}

void TPDFSecurityHandler::SetPermissions(std::int32_t p) {
    PermissionBits = static_cast<std::uint32_t>(p);
    auto bit = [p](int n) { return (static_cast<std::uint32_t>(p) >> (n - 1)) & 1U; };
    BasicRights[0] = bit(3);
    BasicRights[1] = bit(5);
    BasicRights[2] = bit(4);
    BasicRights[3] = bit(6);
    ExtendedRights[0] = bit(9);
    ExtendedRights[1] = bit(10);
    ExtendedRights[2] = bit(11);
    ExtendedRights[3] = bit(12);
}

void TPDFSecurityHandler::CheckPassword(std::u16string_view password) {
    keyMissing_ = false;
    if (CheckUserPassword(password)) {
        UserPasswordOk = true;
    } else if (CheckOwnerPassword(password)) {
        OwnerPasswordOk = true;
    } else {
        UserPasswordOk = OwnerPasswordOk = false;
        Password.clear();
        FileKey.clear();
        return;
    }
    Password = password;
    FileKey = WorkKey;
}

std::size_t TPDFSecurityHandler::KeyBytes() const {
    return CryptMethod == kAESV2 ? 16 : static_cast<std::size_t>(KeyLength / 8);
}

// Algorithm 2 of ISO 32000-1.
std::string TPDFSecurityHandler::FileKeyOf(std::string_view userPassword) const {
    const std::size_t n = KeyBytes();
    std::string input = Pad(userPassword);
    input += WorkOwnerValue.substr(0, 32);
    input += LittleEndian(PermissionBits, 4);
    input += FirstId;
    if (Revision >= 4 && !EncryptMetadata) input += "\xFF\xFF\xFF\xFF";
    std::string hash = Md5(input);
    if (Revision >= 3)
        for (int i = 0; i < 50; ++i) hash = Md5(std::string_view(hash).substr(0, n));
    return hash.substr(0, n);
}

// Steps a to d of algorithm 3: the RC4 key that encrypts the user password into O.
std::string TPDFSecurityHandler::OwnerRC4Key(std::string_view ownerPassword) const {
    // The rounds hash the key's length only, as in the file key.
    const std::size_t n = KeyBytes();
    std::string hash = Md5(Pad(ownerPassword));
    if (Revision >= 3)
        for (int i = 0; i < 50; ++i) hash = Md5(std::string_view(hash).substr(0, n));
    return hash.substr(0, n);
}

// Algorithms 4 and 5.
std::string TPDFSecurityHandler::UserValueOf(std::string_view fileKey) const {
    if (Revision == 2) return RC4Crypt(fileKey, kPadding);
    std::string value = RC4Crypt(fileKey, Md5(std::string(kPadding).append(FirstId)));
    for (int i = 1; i <= 19; ++i) value = RC4Crypt(XorKey(fileKey, i), value);
    return value.append(16, '\0');
}

bool TPDFSecurityHandler::UserValueMatches(std::string_view computed) const {
    if (Revision == 2) return computed.size() == 32 && UserValue.substr(0, 32) == computed;
    return UserValue.size() >= 16 && computed.substr(0, 16) == std::string_view(UserValue).substr(0, 16);
}

void TPDFSecurityHandler::ComputeStandardKeys() {
    if (EncryptionMode == 3) {
        ComputeAESV3Keys();
        return;
    }
    WorkKey.clear();
    if (WorkOwnerValue.empty()) {
        const std::string ownerKey =
            OwnerRC4Key(OwnerPasswordBytes.empty() ? UserPasswordBytes : OwnerPasswordBytes);
        if (!WorkUserValue.empty())
            WorkKey = ownerKey;
        else
            WorkUserValue = UserPasswordBytes;
        std::string value = RC4Crypt(ownerKey, Pad(WorkUserValue));
        if (Revision >= 3)
            for (int i = 1; i <= 19; ++i) value = RC4Crypt(XorKey(ownerKey, i), value);
        WorkOwnerValue = value;
    }
    const std::string fileKey = FileKeyOf(UserPasswordBytes);
    if (WorkKey.empty()) WorkKey = fileKey;
    WorkUserValue = UserValueOf(fileKey);
}

bool TPDFSecurityHandler::CheckUserPassword(std::u16string_view password) {
    const int state = EncryptionState();
    if (state == kNotEncrypted) return password.empty();
    if (state != kSupportedEncryption || UserValue.empty()) return false;
    const std::string bytes = PasswordBytes(password, Revision);
    if (CryptMethod == kAESV3) return CheckAESV3Password(bytes, false);
    if (OwnerValue.empty()) return false;
    return WithSomeKeyLength(&TPDFSecurityHandler::AuthenticateStandardUser, bytes);
}

bool TPDFSecurityHandler::CheckOwnerPassword(std::u16string_view password) {
    const int state = EncryptionState();
    if (state == kNotEncrypted) return password.empty();
    if (state != kSupportedEncryption || UserValue.empty() || OwnerValue.empty()) return false;
    const std::string bytes = PasswordBytes(password, Revision);
    if (CryptMethod == kAESV3) return CheckAESV3Password(bytes, true);
    return WithSomeKeyLength(&TPDFSecurityHandler::AuthenticateStandardOwner, bytes);
}

// Runs the check with the dictionary's key length or, when it gave none that could be used,
// with 40 bits and then 128; the first length that authenticates stays.
bool TPDFSecurityHandler::WithSomeKeyLength(TPasswordCheck check, std::string_view password) {
    if (!keyLengthGuessed_) return (this->*check)(password);
    for (const std::int32_t bits : {40, 128}) {
        KeyLength = bits;
        if ((this->*check)(password)) return true;
    }
    KeyLength = 40;
    return false;
}

// Algorithm 6, for revisions 2 to 4, whose RC4 and AES-128 keys are derived alike.
bool TPDFSecurityHandler::AuthenticateStandardUser(std::string_view password) {
    EncryptionMode = CryptMethod == kAESV2 ? 2 : (KeyLength == 40 ? 0 : 1);
    UserPasswordBytes = password;
    OwnerPasswordBytes.clear();
    WorkOwnerValue = OwnerValue;
    WorkUserValue.clear();
    ComputeStandardKeys();
    return UserValueMatches(WorkUserValue);
}

// Algorithm 7: decrypt the user password out of O with the owner key, then authenticate it.
bool TPDFSecurityHandler::AuthenticateStandardOwner(std::string_view password) {
    EncryptionMode = CryptMethod == kAESV2 ? 2 : (KeyLength == 40 ? 0 : 1);
    const std::string ownerKey = OwnerRC4Key(password);
    std::string userPassword = OwnerValue.substr(0, 32);
    if (Revision == 2) {
        userPassword = RC4Crypt(ownerKey, userPassword);
    } else {
        for (int i = 19; i >= 0; --i) userPassword = RC4Crypt(XorKey(ownerKey, i), userPassword);
    }
    UserPasswordBytes = userPassword;
    OwnerPasswordBytes = password;
    WorkOwnerValue = OwnerValue;
    WorkUserValue.clear();
    ComputeStandardKeys();
    return UserValueMatches(WorkUserValue);
}

bool TPDFSecurityHandler::CheckAESV3Password(std::string_view password, bool owner) {
    EncryptionMode = 3;
    const std::string& value = owner ? OwnerValue : UserValue;
    if (value.size() < 48) return false;
    const std::string userKey = owner ? UserValue.substr(0, 48) : std::string();
    const std::string hash = PasswordHash(password, std::string_view(value).substr(32, 8), userKey);
    if (hash != std::string_view(value).substr(0, 32)) return false;

    // Without a 32-byte OE or UE there is no file key: the password is right, but nothing
    // could be decrypted, so the caller must treat the file as unreadable.
    const std::string& wrapped = owner ? OwnerKeyValue : UserKeyValue;
    WorkKey.clear();
    if (wrapped.size() < 32) {
        keyMissing_ = true;
        return true;
    }
    const std::string k = PasswordHash(password, std::string_view(value).substr(40, 8), userKey);
    WorkKey = AESCBCDecrypt(k, std::string(16, '\0'), std::string_view(wrapped).substr(0, 32));
    if (WorkKey.size() != 32) {
        WorkKey.clear();
        keyMissing_ = true;
        return true;
    }
    ReadPerms();
    return true;
}

std::string TPDFSecurityHandler::PasswordHash(std::string_view password, std::string_view salt,
                                              std::string_view userKey) {
    constexpr std::size_t kMemoSize = 8;
    for (const THashMemo& memo : hashMemo_)
        if (memo.Revision == Revision && memo.Password == password && memo.Salt == salt && memo.UserKey == userKey)
            return memo.Hash;
    std::string hash = AESV3PasswordHash(password, salt, userKey, Revision);
    if (hashMemo_.size() >= kMemoSize) hashMemo_.erase(hashMemo_.begin());
    hashMemo_.push_back({std::string(password), std::string(salt), std::string(userKey), hash, Revision});
    return hash;
}

void TPDFSecurityHandler::ReadPerms() {
    if (PermsValue.size() < 16) return;
    const std::string perms =
        AESCBCDecrypt(WorkKey, std::string(16, '\0'), std::string_view(PermsValue).substr(0, 16));
    if (perms.size() < 12 || perms.find("adb") != 9) return;
    std::uint32_t p = 0;
    for (int i = 3; i >= 0; --i) p = (p << 8) | static_cast<std::uint8_t>(perms[i]);
    if (static_cast<std::int32_t>(p) != Permissions) Permissions = static_cast<std::int32_t>(p);
}

void TPDFSecurityHandler::ComputeAESV3Keys() {
    const std::string user = UserPasswordBytes.substr(0, 127);
    const std::string owner = OwnerPasswordBytes.substr(0, 127);
    const std::string zeroIv(16, '\0');
    WorkKey = RandomBytes(32);
    const std::string s = RandomBytes(16);
    WorkUserValue = SHA256OfBytes(user + s.substr(0, 8)) + s;
    NewUserKeyValue = AESCBCEncrypt(SHA256OfBytes(user + s.substr(8, 8)), zeroIv, WorkKey);
    const std::string t = RandomBytes(16);
    WorkOwnerValue = SHA256OfBytes(owner + t.substr(0, 8) + WorkUserValue) + t;
    NewOwnerKeyValue =
        AESCBCEncrypt(SHA256OfBytes(owner + t.substr(8, 8) + WorkUserValue), zeroIv, WorkKey);
    std::string perms = LittleEndian(PermissionBits, 4) + "\xFF\xFF\xFF\xFF" + "Tadb";
    for (char c : RandomBytes(4)) perms += static_cast<char>(static_cast<std::uint8_t>(c) % 255);
    NewPermsValue = AESCBCEncrypt(WorkKey, zeroIv, perms);
}

std::string TPDFSecurityHandler::ObjectKey(std::int32_t objectNumber, std::int32_t generation) const {
    if (objectNumber == EncryptObjectNumber && EncryptObjectNumber != 0) return {};
    if (CryptMethod == kAESV3) return FileKey;
    if (FileKey.empty()) return {};
    std::string input = FileKey;
    input += LittleEndian(static_cast<std::uint32_t>(objectNumber), 3);
    input += LittleEndian(static_cast<std::uint32_t>(generation), 2);
    if (CryptMethod == kAESV2) input += "sAlT";
    return Md5(input).substr(0, std::min<std::size_t>(FileKey.size() + 5, 16));
}

void TPDFSecurityHandler::DecryptObject(std::string_view key, TPDFObject* object) const {
    if (!UserPasswordOk && !OwnerPasswordOk) return;
    if (key.empty() || !object) return;
    if (!DecryptStrings && !DecryptStreams && !DecryptEmbeddedFiles) return;
    DecryptValue(key, object, 0);
}

std::string TPDFSecurityHandler::DecryptBytes(std::string_view key, std::string_view data) const {
    if (CryptMethod == kRC4) return RC4Crypt(key, data);
    return AESDecryptWithIV(key, data);
}

void TPDFSecurityHandler::DecryptValue(std::string_view key, TPDFObject* object, int depth) const {
    if (!object || depth > kMaxDecryptDepth) return;
    switch (object->Kind) {
        case kPDFKindString: {
            auto* string = static_cast<TPDFString*>(object);
            if (DecryptStrings) string->Bytes = DecryptBytes(key, string->Bytes);
            break;
        }
        case kPDFKindDictionary:
            for (const TPDFPair& pair : static_cast<TPDFDictionary*>(object)->Pairs)
                DecryptValue(key, pair.Value, depth + 1);
            break;
        case kPDFKindArray: {
            auto* array = static_cast<TPDFArray*>(object);
            for (int i = 0; i < array->GetCount(); ++i) DecryptValue(key, array->GetItem(i), depth + 1);
            break;
        }
        case kPDFKindStream: {
            auto* stream = static_cast<TPDFStream*>(object);
            const std::string type = stream->StreamDict ? stream->StreamDict->GetTypeName() : std::string();
            // Cross-reference streams are never encrypted, metadata stays clear when the
            // dictionary says so, embedded files have a crypt filter of their own, and a
            // stream's own /Crypt filter may say it is stored clear.
            const std::string own = stream->StreamDict ? OwnCryptFilter(*stream->StreamDict) : std::string();
            const bool ownClear = std::find(clearFilters_.begin(), clearFilters_.end(), own) != clearFilters_.end();
            const bool encrypted = !ownClear && (type == "EmbeddedFile" ? DecryptEmbeddedFiles : DecryptStreams);
            const bool clear = !encrypted || type == "XRef" || (type == "Metadata" && !EncryptMetadata);
            if (!clear) stream->SetRawData(DecryptBytes(key, stream->Data));
            DecryptValue(key, stream->StreamDict, depth + 1);
            break;
        }
        default:
            break;
    }
}

}  // namespace parch
