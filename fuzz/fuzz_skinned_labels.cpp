// Skinned labels painted on the headless display from hostile skin values (shadow blur, offset
// and colour, font and contour colours, transparency) and hostile properties (blur, distance,
// colours, captions of any bytes, sizes, sections the skin may lack). Each paint must stay
// bounded: the shadow reaches at most its limits and the blur plane never outgrows the label.

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
#include "skin/controls/sLabel.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"

namespace parch::fuzzlabels {
namespace {

constexpr std::size_t kMaxSteps = 16;
constexpr std::size_t kMaxCaptionBytes = 48;

[[noreturn]] void Fail(const char* what, long value) {
    std::fprintf(stderr, "invariant broken: %s (%ld)\n", what, value);
    std::abort();
}

class Input : public fuzzing::FuzzInput {
public:
    using FuzzInput::FuzzInput;
    std::string Caption() {
        std::size_t length = std::min<std::size_t>(Byte(), kMaxCaptionBytes);
        std::string text;
        while (length-- > 0 && !Empty()) text.push_back(static_cast<char>(Byte()));
        return text;
    }
    TColor Color() {
        switch (Byte() % 4) {
            case 0: return clNone;
            case 1: return static_cast<TColor>(0x80000000u | (Byte() % 32));  // a system colour
            default: return static_cast<TColor>(Word32());
        }
    }
    int Int() { return static_cast<int>(std::clamp<std::int64_t>(Number(), INT32_MIN, INT32_MAX)); }
};

TsGeneralData Section(Input& in, const std::string& name) {
    TsGeneralData section;
    section.SectionName = name;
    section.StateCount = 1 + in.Byte() % 3;
    section.Color = in.Word32();
    section.FontColor = in.Word32();
    section.Transparency = in.Byte() % 101;
    section.GiveOwnFont = in.Bit();
    section.TCLeft = in.Bit() ? 0xFFFFFFFFu : in.Word32();
    section.TCTop = in.Bit() ? 0xFFFFFFFFu : in.Word32();
    section.TCRight = in.Bit() ? 0xFFFFFFFFu : in.Word32();
    section.TCBottom = in.Bit() ? 0xFFFFFFFFu : in.Word32();
    section.StateProps[0].Color = section.Color;
    section.StateProps[0].FontColor = section.FontColor;
    section.StateProps[0].Transparency = section.Transparency;
    return section;
}

void LoadSkin(Input& in, TsSkinManager& manager) {
    manager.Tables().Sections = {Section(in, "GLOBALINFO"), Section(in, "PANEL"), Section(in, "BAND")};
    TsSkinData& skin = manager.SkinData();
    skin.Shadow1Blur = static_cast<std::int16_t>(in.Word32());
    skin.Shadow1Offset = static_cast<std::int16_t>(in.Word32());
    skin.Shadow1Color = in.Word32();
    skin.SkinActive = true;
}

const char* const kSections[] = {"", "BAND", "PANEL", "GLOBALINFO", "NOSUCH", "band"};

void Change(Input& in, TsCustomLabel& label, TsLabelFX* fx, TsSkinManager& manager) {
    switch (in.Byte() % 14) {
        case 0: label.SetCaption(in.Caption()); break;
        case 1: if (fx) fx->Shadow().SetMode(static_cast<TsShadowMode>(in.Byte() % 3)); break;
        case 2: if (fx) fx->Shadow().SetBlurCount(in.Int()); break;
        case 3: if (fx) fx->Shadow().SetDistance(in.Int()); break;
        case 4: if (fx) fx->Shadow().SetColor(in.Color()); break;
        case 5:
            if (fx) {
                fx->Kind().SetKindType(static_cast<TsKindType>(in.Byte() % 3));
                fx->Kind().SetColor(in.Color());
            }
            break;
        case 6: label.SetSkinSection(kSections[in.Byte() % std::size(kSections)]); break;
        case 7: label.SetEnabled(in.Bit()); break;
        case 8: label.SetTransparent(in.Bit()); break;
        case 9:
            label.SetWordWrap(in.Bit());
            label.SetLayout(static_cast<TTextLayout>(in.Byte() % 3));
            label.SetAlignment(static_cast<TAlignment>(in.Byte() % 3));
            label.SetAutoSize(in.Bit());
            break;
        case 10: label.Font().SetHeight(static_cast<int>(in.Byte() % 129) - 64); break;
        case 11:
            label.SetAutoSize(false);
            label.SetBounds(in.Byte() - 20, in.Byte() - 20, in.Byte() * 2, in.Byte());
            break;
        case 12:
            if (in.Bit()) manager.RemoveSkin();
            else LoadSkin(in, manager);
            break;
        case 13: label.SetShowAccelChar(in.Bit()); break;
    }
}

void CheckBounded(const TsLabelFX& fx) {
    if (fx.TopLeftExtent() < -2 * TsShadow::kMaxDistance || fx.TopLeftExtent() > 0)
        Fail("top-left extent", fx.TopLeftExtent());
    if (fx.RightBottomExtent() < 0 || fx.RightBottomExtent() > 2 * TsShadow::kMaxBlur)
        Fail("right-bottom extent", fx.RightBottomExtent());
}

// What lives as long as the process: the screen, the application and the skin manager (the
// default one). Each input gets a fresh form.
struct World {
    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
};

class Session {
public:
    Session(Input& in, World& world) : in_(in), world_(world) {
        form_ = new TForm(&world_.app);
        form_->SetBounds(0, 0, 320, 200);
        LoadSkin(in_, world_.manager);
        plain_ = AddLabel<TsLabel>(10);
        fx_ = AddLabel<TsLabelFX>(60);
        second_ = AddLabel<TsLabelFX>(120);
        form_->Show();
        world_.display.PumpMessages();
    }
    ~Session() { delete form_; }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Run() {
        auto plane = [](const TsLabelFX& fx) {
            return static_cast<std::size_t>(std::max(0, fx.Width()) + 2) *
                   static_cast<std::size_t>(std::max(0, fx.Height()) + 2);
        };
        std::size_t largestPlane = std::max(plane(*fx_), plane(*second_));
        for (std::size_t step = 0; step < kMaxSteps && !in_.Empty(); ++step) {
            switch (in_.Byte() % 3) {
                case 0: Change(in_, *plain_, nullptr, world_.manager); break;
                case 1: Change(in_, *fx_, fx_, world_.manager); break;
                default: Change(in_, *second_, second_, world_.manager); break;
            }
            form_->Repaint();
            world_.display.PumpMessages();
            for (TsLabelFX* fx : {fx_, second_}) {
                CheckBounded(*fx);
                largestPlane = std::max(largestPlane, plane(*fx));
            }
            if (fx_->BlurBufferSize() > largestPlane || second_->BlurBufferSize() > largestPlane)
                Fail("blur plane larger than any label", static_cast<long>(largestPlane));
        }
    }

private:
    template <class Label>
    Label* AddLabel(int top) {
        auto* label = new Label(form_);
        label->SetParent(form_);
        label->Font().SetName("DejaVu Sans");
        label->SetBounds(10, top, 100, 20);
        label->SetCaption(in_.Caption());
        return label;
    }

    Input& in_;
    World& world_;
    TForm* form_ = nullptr;
    TsLabel* plain_ = nullptr;
    TsLabelFX* fx_ = nullptr;
    TsLabelFX* second_ = nullptr;
};

World& TheWorld() {
    static World* world = new World;  // lives until the process ends
    return *world;
}

}  // namespace
}  // namespace parch::fuzzlabels

// Captions load fonts; fontconfig keeps its caches until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// The fonts the tests pin, when the source tree is at hand, so that runs do not depend on the
// machine's fonts; the world is made before any input is judged for leaks.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string source = __FILE__;
    std::string fonts = source.substr(0, source.find_last_of('/') + 1) + "../tests/platform/gdi/fonts.conf";
    if (std::FILE* file = std::fopen(fonts.c_str(), "r")) {
        std::fclose(file);
        setenv("FONTCONFIG_FILE", fonts.c_str(), 1);
    }
    parch::fuzzlabels::TheWorld();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return -1;
    parch::fuzzlabels::Input in(data, size);
    parch::fuzzlabels::Session session(in, parch::fuzzlabels::TheWorld());
    session.Run();
    return 0;
}
