#include "skin/engine/acSkinPack.h"

#include <zlib.h>

#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "platform/os/Files.h"
#include "skin/engine/acZLibEx.h"

namespace parch {

namespace {

std::int32_t ReadPackInt32(TStream& source) {
    unsigned char bytes[4];
    source.ReadBuffer(bytes, 4);
    std::uint32_t value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t(bytes[3]) << 24);
    return static_cast<std::int32_t>(value);
}

void CheckPackRange(std::int64_t value, std::int64_t low, std::int64_t high, const char* what) {
    if (value < low || value > high)
        throw EReadError(std::string("Damaged skin pack: ") + what + " " + IntToStr(value) + " out of range");
}

// Inflates one member's stream: exactly size bytes and then the stream's end.
std::unique_ptr<TMemoryStream> InflatePackMember(TStream& source, std::int64_t size) {
    auto data = std::make_unique<TMemoryStream>();
    data->SetSize(size);
    TZDecompressionStream inflater(source);
    std::int64_t got = size > 0 ? inflater.Read(data->Memory(), size) : 0;
    if (got != size) throw EReadError("Damaged skin pack: a member is shorter than its stated size");
    char extra = 0;
    if (inflater.Read(&extra, 1) != 0 || !inflater.StreamFinished())
        throw EReadError("Damaged skin pack: a member does not end at its stated size");
    data->SetPosition(0);
    return data;
}

}  // namespace

void TacSkinConvertor::Clear() {
    while (!ImageItems.empty()) ImageItems.pop_back();
    Options.reset();
    Source.reset();
    FrameCount = 0;
}

TMemoryStream* TacSkinConvertor::FindMember(const std::string& name) const {
    std::string wanted = UpperCase(name);
    for (const TacImageItem& item : ImageItems)
        if (UpperCase(item.Name) == wanted) return item.Data.get();
    return nullptr;
}

void Unpack(std::unique_ptr<TacSkinConvertor>& pack) {
    TStream& source = *pack->Source;
    source.SetPosition(0);
    char magic[4] = {};
    if (source.Read(magic, 4) != 4 || std::string_view(magic, 4) != "VLzf") {
        pack.reset();
        throw Exception("Loaded data is not a packed Velvorin file");
    }
    std::int32_t count = ReadPackInt32(source);
    CheckPackRange(count, 0, TacSkinConvertor::kMaxMembers, "member count");
    pack->FrameCount = count - 1;
    std::int64_t total = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t nameLength = ReadPackInt32(source);
        CheckPackRange(nameLength, 1, TacSkinConvertor::kMaxNameLength, "name length");
        std::string name(static_cast<size_t>(nameLength), '\0');
        source.ReadBuffer(name.data(), nameLength);
        std::int32_t size = ReadPackInt32(source);
        CheckPackRange(size, 0, TacSkinConvertor::kMaxMemberSize, "member size");
        total += size;
        CheckPackRange(total, 0, TacSkinConvertor::kMaxPackSize, "unpacked total");
        auto data = InflatePackMember(source, size);
        if (UpperCase(name) == "OPTIONS.DAT") {
            pack->Options = std::move(data);
        } else {
            bool isBitmap = name.size() >= 4 && UpperCase(name.substr(name.size() - 4)) == ".BMP";
            pack->ImageItems.push_back({std::move(name), isBitmap, std::move(data)});
        }
    }
}

void ReadPackFile(const std::string& fileName, std::unique_ptr<TacSkinConvertor>& pack, bool freeSource) {
    if (!FileExists(fileName)) return;
    if (pack) pack->Clear();
    else pack = std::make_unique<TacSkinConvertor>();
    pack->Source = std::make_unique<TMemoryStream>();
    pack->Source->LoadFromFile(fileName);
    Unpack(pack);
    if (freeSource && pack) pack->Source.reset();
}

std::unique_ptr<TacSkinConvertor> UnpackBytes(const std::string& bytes) {
    auto pack = std::make_unique<TacSkinConvertor>();
    pack->Source = std::make_unique<TStringStream>(bytes);
    Unpack(pack);
    pack->Source.reset();
    return pack;
}

}  // namespace parch
