#pragma once
// Packed skins: "VLzf", a member count, then per member a name, its unpacked size and one zlib
// stream. TacSkinConvertor unpacks such bytes into "Options.dat" and the picture members.
//
// Counts and sizes come from the file and are checked before anything is allocated: at most
// 4,096 members, names of 1 to 255 bytes, 64 MiB per member and 256 MiB in all, and each
// member's stream must end exactly at its stated size.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Streams.h"

namespace parch {

struct TacImageItem {
    std::string Name;
    bool IsBitmap = false;  // the name's extension is ".BMP" in any case
    std::unique_ptr<TMemoryStream> Data;
};

class TacSkinConvertor {
public:
    static constexpr std::int32_t kMaxMembers = 4096;
    static constexpr std::int32_t kMaxNameLength = 255;
    static constexpr std::int64_t kMaxMemberSize = 64ll << 20;
    static constexpr std::int64_t kMaxPackSize = 256ll << 20;

    // The member count minus 1 (one member is expected to be "Options.dat").
    int FrameCount = 0;
    std::vector<TacImageItem> ImageItems;
    std::unique_ptr<TMemoryStream> Options;
    std::unique_ptr<TMemoryStream> Source;

    // Frees every member and the source.
    void Clear();
    // The picture member whose name, upper-cased, equals the name upper-cased; nullptr if none.
    TMemoryStream* FindMember(const std::string& name) const;
};

// Unpacks Pack.Source. Wrong magic: Pack is freed (nullptr) and Exception "Loaded data is not a
// packed Velvorin file" is raised; damaged data raises EZDecompressionError or EReadError.
void Unpack(std::unique_ptr<TacSkinConvertor>& pack);
// Nothing when the file does not exist; otherwise (re)fills Pack from it.
void ReadPackFile(const std::string& fileName, std::unique_ptr<TacSkinConvertor>& pack, bool freeSource);
// Unpacks pack bytes held in memory (an internal skin's data).
std::unique_ptr<TacSkinConvertor> UnpackBytes(const std::string& bytes);

}  // namespace parch
