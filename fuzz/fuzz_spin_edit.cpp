// Random typing, keys, selections and pastes into a decimal spin edit on the headless
// display. Nothing may raise; the text always reads as a number or is one that is still being
// typed ("", a sign, a separator); and the value, rounded to the decimals, is the shown number
// within the bounds.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "FuzzInput.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Clipboard.h"
#include "platform/win/WinApi.h"
#include "skin/controls/sSpinEdit.h"
#include "skin/engine/sSkinManager.h"

namespace parch::fuzzspin {

constexpr std::size_t kMaxSteps = 200;
constexpr int kMaxTextLength = 40;

[[noreturn]] void Fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "invariant broken: %s (text \"%s\")\n", what, text.c_str());
    std::abort();
}

struct World {
    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
};

World& TheWorld() {
    static World world;
    return world;
}

bool StillBeingTyped(const std::string& text) {
    return text.empty() || text == "-" || text == "+" || text == "." || text == "-." || text == "+.";
}

void Check(TsDecimalSpinEdit& spin) {
    const std::string text = spin.Text();
    double shown = 0;
    if (!TryReadSpinNumber(text, shown)) {
        if (!StillBeingTyped(text)) Fail("text neither converts nor is being typed", text);
        shown = 0;
    }
    int decimals = spin.DecimalPlaces();
    if (SpinValueText(spin.Value(), decimals) != SpinValueText(spin.ClampToBounds(shown), decimals))
        Fail("value differs from the shown number", text);
}

std::string RandomText(fuzzing::FuzzInput& in) {
    static const char kAlphabet[] = "0123456789.-+,e E\r\n\tx";
    std::string text;
    int length = in.Byte() % 12;
    for (int i = 0; i < length; ++i) text += kAlphabet[in.Byte() % (sizeof kAlphabet - 1)];
    return text;
}

void Run(fuzzing::FuzzInput& in) {
    World& world = TheWorld();
    TForm form(&world.app);
    form.SetBounds(0, 0, 240, 120);
    form.Show();
    auto* spin = new TsDecimalSpinEdit(&form);
    spin->SetParent(&form);
    spin->SetBounds(10, 10, 120, 24);
    spin->SetMaxLength(kMaxTextLength);
    auto* other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(10, 60, 60, 22);
    // Bounds and decimals are chosen once: changing them later leaves the text as it was.
    spin->SetDecimalPlaces(static_cast<int>(in.Byte() % 6) - 1);
    if (in.Bit()) spin->SetMinValue(static_cast<double>(static_cast<std::int8_t>(in.Byte())));
    if (in.Bit()) spin->SetMaxValue(static_cast<double>(in.Byte()));
    spin->SetIncrement(static_cast<double>(in.Byte() % 8) / 2);
    spin->SetUseSystemDecSeparator(in.Bit());
    spin->SetValue(static_cast<double>(static_cast<std::int8_t>(in.Byte())) / 4);
    spin->SetFocus();
    world.display.PumpMessages();
    Check(*spin);

    static const UINT kKeys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_UP, VK_DOWN, VK_DELETE, VK_BACK};
    for (std::size_t step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        switch (in.Byte() % 7) {
            case 0:
            case 1: {
                static const char kTyped[] = "0123456789.-+,a\r\x1b\b ";
                char c = kTyped[in.Byte() % (sizeof kTyped - 1)];
                world.display.TypeText(std::string(1, c));
                break;
            }
            case 2:
                world.display.PressKey(kKeys[in.Byte() % (sizeof kKeys / sizeof kKeys[0])]);
                break;
            case 3:
                spin->SetSelStart(in.Byte() % 16);
                spin->SetSelLength(in.Byte() % 16);
                break;
            case 4:
                SetClipboardText(RandomText(in));
                spin->Perform(WM_PASTE, 0, 0);
                break;
            case 5:
                spin->Perform(CM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<std::uint16_t>(in.Byte() * 8 - 1024)) << 16, 0);
                break;
            default:
                if (in.Bit()) other->SetFocus();
                else spin->SetFocus();
                break;
        }
        world.display.PumpMessages();
        Check(*spin);
    }
    other->SetFocus();
    world.display.PumpMessages();
    Check(*spin);
    double shown = 0;
    if (!TryReadSpinNumber(spin->Text(), shown)) Fail("text after leaving is no number", spin->Text());
}

}  // namespace parch::fuzzspin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    parch::fuzzing::FuzzInput in(data, size);
    try {
        parch::fuzzspin::Run(in);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "raised: %s\n", e.what());
        std::abort();
    }
    return 0;
}
