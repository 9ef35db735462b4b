#pragma once
// Skinning of windows the program did not build from skinned classes: which adapter each child
// window of a skinned dialog gets, chosen by its class name and style.
#include <string_view>
#include "platform/win/WinUser.h"

namespace parch {

// The adapter families a dialog's child windows can get.
enum class TacAdapterKind {
    None,
    Edge,        // framed static
    Icon,        // icon or bitmap static
    Static,
    TransPanel,  // nested dialog page, folder-browser pane
    Panel,
    Edit,        // edit, list box, combo list
    GroupBox,
    Button,
    CheckBox,
    ComboBox,
    Sizer,
    TabControl,
    ListView,
    Spin,
    Track,
    Link,
    ToolBar,
    TreeView,
};

struct TacAdapterChoice {
    TacAdapterKind kind = TacAdapterKind::None;
    const char* section = "";
    // Repaint on attaching only when the dialog already shows its cache.
    bool repaintWhenCacheShown = false;
    // The dialog stops skipping its own painting for this window.
    bool clearsSkipOwnPaint = false;
};

// The class table: the first row matching the lower-cased class name and the style wins.
// An "edit" gets its adapter only while it is visible.
TacAdapterChoice ChooseChildAdapter(std::string_view lowerClassName, DWORD style, DWORD exStyle, bool visible);

}  // namespace parch
