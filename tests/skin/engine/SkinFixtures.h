#pragma once
// Small skins written by the tests themselves: a master bitmap of a given size, Options.dat
// text, and packs built member by member (also damaged ones).

#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "tests/platform/os/ScratchDir.h"

namespace parch::test {

// A 24-bit BMP of the size, grey, with the key colour 0xFF00FF in the pixel at (x, y) when given.
inline std::string MakeBmp(int width, int height, int keyX = -1, int keyY = -1) {
    TBitmap bitmap(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            bool key = x == keyX && y == keyY;
            row[x * 3 + 0] = key ? 0xFF : 0x80;
            row[x * 3 + 1] = key ? 0x00 : 0x80;
            row[x * 3 + 2] = key ? 0xFF : 0x80;
        }
    }
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return stream.Bytes();
}

inline void AppendInt32(std::string& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF));
}

inline std::string Deflate(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 9);
    out.resize(size);
    return out;
}

// A member as stored: name length, name, stated size, zlib stream.
inline std::string PackMember(const std::string& name, const std::string& data, std::int32_t statedSize) {
    std::string out;
    AppendInt32(out, static_cast<std::int32_t>(name.size()));
    out += name;
    AppendInt32(out, statedSize);
    out += Deflate(data);
    return out;
}

inline std::string MakePack(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out = "VLzf";
    AppendInt32(out, static_cast<std::int32_t>(members.size()));
    for (const auto& [name, data] : members) out += PackMember(name, data, static_cast<std::int32_t>(data.size()));
    return out;
}

// A folder skin "Ocean" (a grey master bitmap and the least skin text) in the skins folder.
inline void WriteOceanSkin(ScratchDir& skins) {
    std::filesystem::create_directory(skins.Path() + "Ocean");
    skins.Write("Ocean/Options.dat", "[GLOBALINFO]\r\nMASTERBITMAP=Master.bmp\r\nVERSION=7.50\r\nCOLOR=11\r\n");
    skins.Write("Ocean/Master.bmp", MakeBmp(20, 20));
}

}  // namespace parch::test
