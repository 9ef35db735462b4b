// Skinned check boxes and gauges painted from hostile skin values and properties: glyph frame
// counts and bands, mask rectangles, ranges and progress, kinds, captions, spacings and
// light ticks. Every paint must end, allocate only what the control's size asks for, and
// leave the gauge's progress inside its range.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/WinApi.h"
#include "skin/controls/sCheckBox.h"
#include "skin/controls/sGauge.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sSkinManager.h"

namespace parch::fuzzgauges {
namespace {

constexpr int kMaxSide = 300;
constexpr int kMaxTicks = 40;
constexpr std::size_t kMaxCaption = 200;

class Input : public fuzzing::FuzzInput {
public:
    using FuzzInput::FuzzInput;
    int Side() { return static_cast<int>(Byte() | (Byte() & 1) << 8) % (kMaxSide + 1); }
    int Int() { return static_cast<int>(static_cast<std::int32_t>(Number())); }
    std::string Text() {
        std::size_t length = std::min<std::size_t>(Byte(), kMaxCaption);
        std::string text;
        while (length-- > 0 && !Empty()) text.push_back(static_cast<char>(Byte()));
        return text;
    }
};

struct World {
    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
    World() {
        form.SetBounds(0, 0, 400, 300);
        form.Show();
    }
};

World& TheWorld() {
    static World* world = new World;  // lives for the whole run
    return *world;
}

TsGeneralData Section(const std::string& name, Input& in) {
    TsGeneralData section;
    section.SectionName = name;
    section.StateCount = in.Byte() % 4;
    section.Color = in.Word32();
    section.Transparency = in.Int();
    section.HotColor = section.Color;
    section.HotTransparency = section.Transparency;
    section.ReservedBoolean = in.Bit();
    section.StateProps[0].Color = section.Color;
    section.StateProps[0].Transparency = section.Transparency;
    return section;
}

// A mask cut from the master bitmap with hostile rectangle, frames and bands.
TsMaskData Mask(const std::string& section, const std::string& key, Input& in, TsSkinManager& manager) {
    TsMaskData mask;
    mask.SectionName = section;
    mask.KeyName = key;
    mask.SourceRect = RECT{in.Int(), in.Int(), in.Int(), in.Int()};
    if (in.Bit()) mask.SourceRect = RECT{in.Byte() % 64, in.Byte() % 64, in.Byte() % 80, in.Byte() % 80};
    mask.FrameCount = static_cast<std::int16_t>(in.Number());
    mask.ExtraBands = static_cast<std::int16_t>(in.Number());
    mask.LeftWidth = static_cast<std::int16_t>(in.Number());
    mask.RightWidth = static_cast<std::int16_t>(in.Number());
    mask.TopWidth = static_cast<std::int16_t>(in.Number());
    mask.BottomWidth = static_cast<std::int16_t>(in.Number());
    mask.OwnerManager = &manager;
    return mask;
}

void LoadSkin(World& world, Input& in) {
    TsSkinTables& tables = world.manager.Tables();
    tables.Masks.clear();
    tables.Sections = {Section("CHECKBOX", in), Section("GAUGE", in), Section("PROGRESSH", in),
                       Section("PROGRESSV", in), Section("GLOBALINFO", in)};
    // Pixels from a seed: key colour, every alpha and mask value turn up.
    tables.MasterBitmap = NewPf32Bitmap(64, 64);
    const std::uint32_t seed = in.Word32();
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint32_t pixel = seed * static_cast<std::uint32_t>(x * 64 + y + 1) ^ (seed >> (x % 17));
            reinterpret_cast<std::uint32_t*>(tables.MasterBitmap->ScanLine(y))[x] =
                (x + y) % 7 == 0 ? 0xFFFF00FFu : pixel;
        }
    tables.ConstData = TsSkinConstIndexes{};
    const char* glyphs[3] = {"BOXCHECKED", "BOXUNCHECKED", "BOXGRAYED"};
    for (int i = 0; i < 3; ++i) {
        tables.Masks.push_back(Mask("GLOBALINFO", glyphs[i], in, world.manager));
        tables.ConstData.CheckGlyph[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(tables.Masks.size() - 1);
    }
    tables.Masks.push_back(Mask("PROGRESSH", "LRGN", in, world.manager));
    tables.Masks.push_back(Mask("GAUGE", "BORDERSMASK", in, world.manager));
    world.manager.SkinData().SkinActive = true;
}

// Auto size follows a long caption, spacings and margins up to the largest window; painting
// such a box would only measure memory.
void KeepSmall(TsCheckBox& box) {
    if (box.Width() <= 4 * kMaxSide && box.Height() <= 4 * kMaxSide) return;
    box.SetAutoSize(false);
    box.SetBounds(box.Left(), box.Top(), kMaxSide, kMaxSide);
}

void PaintInto(TControl& control) {
    if (control.Width() <= 0 || control.Height() <= 0) return;
    auto target = NewPf32Bitmap(control.Width(), control.Height());
    control.Perform(WM_PAINT, reinterpret_cast<WPARAM>(target->Canvas().Handle()), 0);
}

void FuzzGauge(World& world, Input& in) {
    auto gauge = std::make_unique<TsGauge>(&world.form);
    gauge->SetParent(&world.form);
    gauge->SetBounds(in.Byte(), in.Byte(), in.Side(), in.Side());
    gauge->SetKind(static_cast<TsGaugeKind>(in.Byte() % 5));
    gauge->SetAnimated(in.Bit());
    gauge->SetShowText(in.Bit());
    gauge->SetCalcPercents(in.Bit());
    gauge->SetSuffix(in.Text());
    if (in.Bit()) gauge->SetProgressSkin(in.Bit() ? "PROGRESSV" : in.Text());
    for (int step = in.Byte() % 6; step > 0; --step) {
        try {
            switch (in.Byte() % 3) {
                case 0: gauge->SetMinValue(in.Int()); break;
                case 1: gauge->SetMaxValue(in.Int()); break;
                default: gauge->SetProgress(in.Int()); break;
            }
        } catch (const EInvalidOperation&) {
        }
        if (gauge->Progress() < gauge->MinValue() || gauge->Progress() > gauge->MaxValue()) {
            std::fprintf(stderr, "progress %d outside %d..%d\n", gauge->Progress(), gauge->MinValue(), gauge->MaxValue());
            std::abort();
        }
        int percent = gauge->GetPercent();
        if (percent < 0 || percent > 100) {
            std::fprintf(stderr, "percentage %d\n", percent);
            std::abort();
        }
    }
    PaintInto(*gauge);
    for (int tick = in.Byte() % kMaxTicks; tick > 0; --tick) gauge->AnimationTick();
    PaintInto(*gauge);
}

void FuzzCheckBox(World& world, Input& in) {
    auto box = std::make_unique<TsCheckBox>(&world.form);
    box->SetParent(&world.form);
    box->SetAutoSize(in.Bit());
    box->SetCaption(in.Text());
    box->SetMargin(in.Int());
    box->SetTextIndent(in.Int());
    box->SetWordWrap(in.Bit());
    box->SetAllowGrayed(in.Bit());
    box->SetAlignment(in.Bit() ? taLeftJustify : taRightJustify);
    if (in.Bit()) {
        TBitmap glyph(in.Byte() % 80, in.Byte() % 40, pf32bit);
        box->SetGlyphUnChecked(&glyph);
        box->SetGlyphChecked(&glyph);
    }
    box->SetBounds(in.Byte(), in.Byte(), in.Side(), in.Side());
    KeepSmall(*box);
    box->HandleNeeded();
    for (int step = in.Byte() % 8; step > 0; --step) {
        switch (in.Byte() % 4) {
            case 0: box->Perform(WM_LBUTTONDOWN, MK_LBUTTON, static_cast<LPARAM>(in.Word32())); break;
            case 1: box->Perform(WM_LBUTTONUP, 0, static_cast<LPARAM>(in.Word32())); break;
            case 2: box->Perform(WM_KEYDOWN, VK_SPACE, 0); break;
            default: box->Perform(WM_KEYUP, VK_SPACE, 0); break;
        }
        KeepSmall(*box);  // a new state sizes the box again
        PaintInto(*box);
    }
    PaintInto(*box);
}

}  // namespace
}  // namespace parch::fuzzgauges

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parch::fuzzgauges;
    World& world = TheWorld();
    Input in(data, size);
    LoadSkin(world, in);
    if (in.Bit())
        FuzzGauge(world, in);
    else
        FuzzCheckBox(world, in);
    return 0;
}
