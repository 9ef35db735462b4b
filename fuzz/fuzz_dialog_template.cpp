// Dialog templates: any bytes give a dialog or a clean failure, never a read past the end or a
// crash. A template that reads is made into a dialog (kept off screen, so an absurd size costs
// no pixels), walked with the keyboard and destroyed.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/display/HeadlessDisplay.h"
#include "platform/win/WinApi.h"

namespace {

// Off screen: the WS_VISIBLE bit of the dialog's style cleared in the bytes.
void KeepHidden(std::vector<std::uint8_t>& bytes) {
    const bool extended = bytes.size() >= 16 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
    const std::size_t styleHighByte = extended ? 15 : 3;
    if (bytes.size() > styleHighByte) bytes[styleHighByte] &= static_cast<std::uint8_t>(~0x10);
}

}  // namespace

// fontconfig keeps a little of its configuration parse unreachable for the life of the process;
// that is not ours to find.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static parch::HeadlessDisplay display;
    // An exact copy, so that the sanitizers see any read past the template's end.
    std::vector<std::uint8_t> bytes(data, data + size);
    auto parsed = parch::ReadDialogTemplate(bytes.data(), bytes.size());
    KeepHidden(bytes);
    parch::HWND dialog = parch::CreateDialogIndirectParam(
        nullptr, reinterpret_cast<const parch::DLGTEMPLATE*>(bytes.data()), bytes.size(), nullptr, nullptr, 0);
    // The reader and the dialog manager agree on what is a template.
    if (!parsed && dialog) __builtin_trap();
    if (dialog) {
        parch::HWND first = parch::GetNextDlgTabItem(dialog, nullptr, 0);
        parch::GetNextDlgGroupItem(dialog, first, 1);
        parch::MSG msg{};
        msg.hwnd = first ? first : dialog;
        msg.message = parch::WM_KEYDOWN;
        msg.wParam = parch::VK_TAB;
        parch::IsDialogMessage(dialog, &msg);
        parch::DestroyWindow(dialog);
    }
    display.PumpMessages();
    return 0;
}
