#include "skin/frames/acDials.h"


namespace parch {
namespace {

constexpr DWORD kDialsStaticTypeMask = 0x1F;
constexpr DWORD kDialsSizeGripStyle = 0x10;
constexpr DWORD kDialsTabOwnerDraw = 0x2000;
constexpr DWORD kDialsToolBarWrapable = 0x200;

TacAdapterChoice DialsChoice(TacAdapterKind kind, const char* section, bool repaintWhenCacheShown = false,
                             bool clearsSkipOwnPaint = false) {
    return TacAdapterChoice{kind, section, repaintWhenCacheShown, clearsSkipOwnPaint};
}

TacAdapterChoice DialsStaticChoice(DWORD style, DWORD exStyle) {
    // Bit tests exactly as the table has them: a type 7 static has both low bits set too.
    if ((style & 3) == 3 || (style & 0x0E) == 0x0E) {
        if (exStyle & WS_EX_STATICEDGE) return DialsChoice(TacAdapterKind::Edge, "EDIT");
        return DialsChoice(TacAdapterKind::Icon, "CHECKBOX");
    }
    const DWORD type = style & kDialsStaticTypeMask;
    if ((style & 0x0D) == 0x0D || type == 5 || type == 6 || type == 11) return {};
    return DialsChoice(TacAdapterKind::Static, "CHECKBOX");
}

TacAdapterChoice DialsButtonChoice(DWORD style) {
    const DWORD type = style & 0x0F;
    if (type == 7 || type == 15) return DialsChoice(TacAdapterKind::GroupBox, "GROUPBOX");
    if (type == 0 || type == 1 || type == 8) return DialsChoice(TacAdapterKind::Button, "BUTTON");
    return DialsChoice(TacAdapterKind::CheckBox, "CHECKBOX");
}

}  // namespace

TacAdapterChoice ChooseChildAdapter(std::string_view name, DWORD style, DWORD exStyle, bool visible) {
    using K = TacAdapterKind;
    if (name == "static") return DialsStaticChoice(style, exStyle);
    if (name == "#32770") return DialsChoice(K::TransPanel, "CHECKBOX");
    if (name == "tpanel") return DialsChoice(K::Panel, "CHECKBOX");
    if (name == "tsilentpaintpanel") return DialsChoice(K::Panel, "GROUPBOX");
    if (name == "edit") return visible ? DialsChoice(K::Edit, "EDIT", true, true) : TacAdapterChoice{};
    if (name == "button") return DialsButtonChoice(style);
    if (name == "combobox") return DialsChoice(K::ComboBox, "COMBOBOX", true, true);
    if (name == "combolbox") return DialsChoice(K::Edit, "COMBOBOX", false, true);
    if (name == "comboboxex32") return DialsChoice(K::ComboBox, "COMBOBOX", false, true);
    if (name == "scrollbar") return (style & kDialsSizeGripStyle) ? DialsChoice(K::Sizer, "CHECKBOX") : TacAdapterChoice{};
    if (name == "systabcontrol32")
        return (style & kDialsTabOwnerDraw) ? TacAdapterChoice{} : DialsChoice(K::TabControl, "PAGECONTROL");
    if (name == "syslistview32") return DialsChoice(K::ListView, "EDIT");
    if (name == "msctls_updown32") return DialsChoice(K::Spin, "SPEEDBUTTON_SMALL");
    if (name == "msctls_trackbar32") return DialsChoice(K::Track, "TRACKBAR");
    if (name == "listbox") return DialsChoice(K::Edit, "EDIT", false, true);
    if (name == "link window" || name == "syslink") return DialsChoice(K::Link, "CHECKBOX");
    if (name == "toolbarwindow32")
        return DialsChoice(K::ToolBar, (style & kDialsToolBarWrapable) ? "BAR" : "CHECKBOX");
    if (name == "systreeview32") return DialsChoice(K::TreeView, "EDIT");
    if (name == "shbrowseforfolder") return DialsChoice(K::TransPanel, "CHECKBOX");
    return {};
}

}  // namespace parch
