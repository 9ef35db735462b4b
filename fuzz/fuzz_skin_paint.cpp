// Skin painting: a skin description read over a small master bitmap, then every section in
// states around its own painted into rectangles, offsets and backdrops the input chooses,
// with the section's borders mask also drawn on its own and as a glyph.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/SysUtils.h"
#include "FuzzInput.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sMaskFrames.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace {

// A pack holding a 40 x 30 master bitmap with key-coloured and patterned pixels.
parch::TacSkinConvertor MakeMasterPack() {
    parch::TacSkinConvertor pack;
    parch::TBitmap master(40, 30, parch::pf24bit);
    for (int y = 0; y < 30; ++y) {
        parch::BYTE* row = master.ScanLine(y);
        for (int x = 0; x < 40; ++x) {
            bool key = (x + y) % 7 == 0;
            row[x * 3] = key ? 0xFF : static_cast<parch::BYTE>(x * 6);
            row[x * 3 + 1] = key ? 0 : static_cast<parch::BYTE>(y * 8);
            row[x * 3 + 2] = key ? 0xFF : static_cast<parch::BYTE>((x ^ y) * 9);
        }
    }
    auto data = std::make_unique<parch::TMemoryStream>();
    master.SaveToStream(*data);
    pack.ImageItems.push_back({"Master.bmp", true, std::move(data)});
    return pack;
}

const parch::TacSkinConvertor& MasterPack() {
    static const parch::TacSkinConvertor pack = MakeMasterPack();
    return pack;
}

int Small(parch::fuzzing::FuzzInput& input, int range) {
    return static_cast<int>(input.Number() % range);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    // The first two bytes give the length of the description; what follows it steers the paints.
    std::size_t textSize = size < 2 ? 0 : std::min<std::size_t>(size - 2, bytes[0] | bytes[1] << 8);
    const std::uint8_t* text = bytes + std::min<std::size_t>(size, 2);
    parch::fuzzing::FuzzInput input(text + textSize, size - std::min<std::size_t>(size, 2) - textSize);
    parch::TMemIniFile ini(std::string_view(reinterpret_cast<const char*>(text), textSize));
    parch::TsPackFiles files(MasterPack());
    parch::TsSkinManager manager;
    parch::TsSkinReadContext context{&ini, &files, &manager};
    try {
        manager.Tables() = parch::ReadSkinTables(context);
    } catch (const parch::Exception&) {
        return 0;
    }
    auto parent = parch::NewPf32Bitmap(24, 20);
    const parch::TsSkinTables& tables = manager.Tables();
    for (std::size_t index = 0; index < tables.Sections.size() && index < 64; ++index) {
        const parch::TsGeneralData& section = tables.Sections[index];
        for (int state = -1; state <= std::min(section.StateCount, 6); ++state) {
            int width = 1 + Small(input, 40), height = 1 + Small(input, 30);
            auto cache = parch::NewPf32Bitmap(width, height);
            parch::RECT r{Small(input, 12) - 2, Small(input, 12) - 2, Small(input, 50), Small(input, 40)};
            parch::POINT offset{Small(input, 60) - 30, Small(input, 60) - 30};
            parch::TsBackgroundSource backdrop;
            if (input.Bit())
                backdrop = parch::InitBackgroundSource(parent.get(), Small(input, 60) - 30, Small(input, 60) - 30);
            else
                backdrop.Color = input.Word32() & 0xFFFFFF;
            parch::PaintSkinSection(static_cast<int>(index), section.SectionName, backdrop, state, r, offset, *cache,
                                    &manager, Small(input, 8) - 2, Small(input, 8) - 2);
            parch::PaintSectionBackground(static_cast<int>(index), section.SectionName, backdrop, state,
                                          parch::RECT{0, 0, width, height}, offset, *cache, &manager);
            parch::PaintSectionWithMask(static_cast<int>(index), Small(input, 8) - 2, Small(input, 8) - 2,
                                        Small(input, 8) - 2, section.SectionName, backdrop, state,
                                        parch::RECT{0, 0, width, height}, offset, *cache, &manager);
            if (parch::IsValidMaskIndex(tables, section.BordersMaskIdx)) {
                const parch::TsMaskData& mask = tables.Masks[static_cast<std::size_t>(section.BordersMaskIdx)];
                parch::DrawBordersMask(*cache, r, backdrop, mask, state, input.Bit());
                parch::DrawBordersOnly(*cache, nullptr, input.Bit(), mask, state);
                parch::DrawMaskGlyph(*cache, parch::POINT{Small(input, 40) - 20, Small(input, 40) - 20}, state,
                                     input.Bit() ? 1 : 0, mask, backdrop);
            }
        }
    }
    return 0;
}
