#include <gtest/gtest.h>

#include <string>

#include "skin/frames/acDials.h"

namespace parch {
namespace {

using K = TacAdapterKind;

TEST(AdapterChoice, EveryRowOfTheClassTable) {
    struct Row {
        const char* name;
        DWORD style;
        DWORD exStyle;
        bool visible;
        K kind;
        std::string section;
        bool repaintWhenCacheShown;
        bool clearsSkipOwnPaint;
    };
    const Row rows[] = {
        // Statics: bit tests, not type comparisons.
        {"static", 0x03, WS_EX_STATICEDGE, true, K::Edge, "EDIT", false, false},
        {"static", 0x0E, WS_EX_STATICEDGE, true, K::Edge, "EDIT", false, false},
        {"static", 0x07, 0, true, K::Icon, "CHECKBOX", false, false},  // type 7 has both low bits
        {"static", 0x03, 0, true, K::Icon, "CHECKBOX", false, false},
        {"static", 0x0F, 0, true, K::Icon, "CHECKBOX", false, false},
        {"static", 0x0D, 0, true, K::None, "", false, false},
        {"static", 0x05, 0, true, K::None, "", false, false},
        {"static", 0x06, 0, true, K::None, "", false, false},
        {"static", 0x0B, 0, true, K::Icon, "CHECKBOX", false, false},  // 11 has both low bits as well
        {"static", 0x00, 0, true, K::Static, "CHECKBOX", false, false},
        {"static", 0x01, 0, true, K::Static, "CHECKBOX", false, false},
        {"static", 0x12, 0, true, K::Static, "CHECKBOX", false, false},
        {"#32770", 0, 0, true, K::TransPanel, "CHECKBOX", false, false},
        {"tpanel", 0, 0, true, K::Panel, "CHECKBOX", false, false},
        {"tsilentpaintpanel", 0, 0, true, K::Panel, "GROUPBOX", false, false},
        {"edit", 0, 0, true, K::Edit, "EDIT", true, true},
        {"edit", 0, 0, false, K::None, "", false, false},
        // Buttons by the low four bits.
        {"button", 0x07, 0, true, K::GroupBox, "GROUPBOX", false, false},
        {"button", 0x0F, 0, true, K::GroupBox, "GROUPBOX", false, false},
        {"button", 0x00, 0, true, K::Button, "BUTTON", false, false},
        {"button", 0x01, 0, true, K::Button, "BUTTON", false, false},
        {"button", 0x08, 0, true, K::Button, "BUTTON", false, false},
        {"button", 0x0B, 0, true, K::CheckBox, "CHECKBOX", false, false},
        {"button", 0x03, 0, true, K::CheckBox, "CHECKBOX", false, false},
        {"button", 0x19, 0, true, K::CheckBox, "CHECKBOX", false, false},  // type 9 under higher bits
        {"combobox", 0, 0, true, K::ComboBox, "COMBOBOX", true, true},
        {"combolbox", 0, 0, true, K::Edit, "COMBOBOX", false, true},
        {"comboboxex32", 0, 0, true, K::ComboBox, "COMBOBOX", false, true},
        {"scrollbar", 0x10, 0, true, K::Sizer, "CHECKBOX", false, false},
        {"scrollbar", 0x01, 0, true, K::None, "", false, false},
        {"systabcontrol32", 0, 0, true, K::TabControl, "PAGECONTROL", false, false},
        {"systabcontrol32", 0x2000, 0, true, K::None, "", false, false},
        {"syslistview32", 0, 0, true, K::ListView, "EDIT", false, false},
        {"msctls_updown32", 0, 0, true, K::Spin, "SPEEDBUTTON_SMALL", false, false},
        {"msctls_trackbar32", 0, 0, true, K::Track, "TRACKBAR", false, false},
        {"listbox", 0, 0, true, K::Edit, "EDIT", false, true},
        {"link window", 0, 0, true, K::Link, "CHECKBOX", false, false},
        {"syslink", 0, 0, true, K::Link, "CHECKBOX", false, false},
        {"toolbarwindow32", 0x200, 0, true, K::ToolBar, "BAR", false, false},
        {"toolbarwindow32", 0, 0, true, K::ToolBar, "CHECKBOX", false, false},
        {"systreeview32", 0, 0, true, K::TreeView, "EDIT", false, false},
        {"shbrowseforfolder", 0, 0, true, K::TransPanel, "CHECKBOX", false, false},
        {"richedit20a", 0, 0, true, K::None, "", false, false},
        {"Edit", 0, 0, true, K::None, "", false, false},  // the table wants lower-cased names
    };
    for (const Row& row : rows) {
        const TacAdapterChoice choice = ChooseChildAdapter(row.name, row.style, row.exStyle, row.visible);
        SCOPED_TRACE(std::string(row.name) + " style " + std::to_string(row.style));
        EXPECT_EQ(choice.kind, row.kind);
        EXPECT_EQ(std::string(choice.section), row.section);
        EXPECT_EQ(choice.repaintWhenCacheShown, row.repaintWhenCacheShown);
        EXPECT_EQ(choice.clearsSkipOwnPaint, row.clearsSkipOwnPaint);
    }
}

}  // namespace
}  // namespace parch
