// Skin descriptions: a whole load of Options.dat (pictures cut from a small master bitmap),
// then every look-up over every section and key the text names.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/SysUtils.h"
#include "skin/engine/sSkinReader.h"

namespace {

// A pack holding only a 40 x 30 master bitmap.
parch::TacSkinConvertor MakeMasterPack() {
    parch::TacSkinConvertor pack;
    parch::TBitmap master(40, 30, parch::pf24bit);
    auto data = std::make_unique<parch::TMemoryStream>();
    master.SaveToStream(*data);
    pack.ImageItems.push_back({"Master.bmp", true, std::move(data)});
    return pack;
}

const parch::TacSkinConvertor& MasterPack() {
    static const parch::TacSkinConvertor pack = MakeMasterPack();
    return pack;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    parch::TMemIniFile ini(std::string_view(reinterpret_cast<const char*>(bytes), size));
    parch::TsPackFiles files(MasterPack());
    parch::TsSkinReadContext context;
    context.Ini = &ini;
    context.Files = &files;
    try {
        parch::TsSkinTables tables = parch::ReadSkinTables(context);
        for (const std::string& section : ini.ReadSections()) {
            int index = parch::GetSectionIndex(tables, section);
            for (const std::string& key : ini.ReadSection(section)) {
                int mask = parch::GetMaskIndex(tables, index, section, key);
                parch::GetTextureIndex(tables, index, section, key);
                parch::GetPatternIndex(tables, index, section, key);
                if (!parch::IsValidMaskIndex(tables, mask)) continue;
                parch::LeftBorderWidth(tables, mask);
                parch::TopBorderWidth(tables, mask);
                parch::RightBorderWidth(tables, mask);
                parch::BottomBorderWidth(tables, mask);
                parch::ScanMaskCorners(tables.Masks[static_cast<std::size_t>(mask)], tables.MasterBitmap.get());
            }
        }
    } catch (const parch::Exception&) {
    }
    return 0;
}
