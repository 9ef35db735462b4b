#pragma once
// Sending skin commands to controls and windows, broadcasting messages through control trees,
// and the small questions the skinning code asks about controls and windows.

#include <functional>
#include <optional>

#include "framework/Controls.h"
#include "framework/Messages.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class TWinControl;
class TCustomForm;
class TCustomFrame;
class TComponent;

// uxtheme's SetWindowTheme, bound by name on first use; nullptr when the library or the entry
// is missing (as it is here: there are no visual themes).
using SetWindowThemeFunction = HRESULT (*)(HWND window, const wchar_t* appName, const wchar_t* idList);
SetWindowThemeFunction BoundSetWindowTheme();

// When set and it answers true for a windowed child, BroadcastToControls skips that subtree.
extern std::function<bool(TWinControl& child)> BroadcastFilter;

LRESULT SendSkinCommandToWnd(HWND window, int command, LPARAM lParam);
// A windowed control without a handle (or being destroyed) gets nothing: 0.
LRESULT SendSkinCommand(TControl* control, int command, LPARAM lParam);
inline LRESULT SendSkinQuery(TControl* control, int command) { return SendSkinCommand(control, command, 0); }
// True when the window answers the command with exactly 1.
bool WndAnswersSkinCommand(HWND window, int command);

// RGB colours; 0xFF00FF for no control or window.
TColor GetControlBgColor(TControl* control);
TColor GetWndBgColor(HWND window);

// Command 6 to every child (nothing while an animation runs).
void RefreshChildControls(TWinControl& control);
void RefreshChildWindows(HWND window);
// The message to every child: skinned windows and windowless controls get it, other windowed
// children pass it on to their own children. Stops at the first child being destroyed.
void BroadcastToControls(TWinControl& control, TMessage& message);
// The message to the direct child windows.
void BroadcastToChildWindows(HWND window, TMessage& message);
// Asks the control's form to attach skin adapters to the control's standard child windows.
void RequestControlAdapter(TControl* control);

bool ControlCanPaint(TControl* control);
TCustomForm* FindOwnerForm(TComponent* component);
TCustomFrame* FindOwnerFrame(TComponent* component);
HWND GetTopParentWindow(HWND window);
// The client area in window coordinates.
RECT GetClientRectInWindow(HWND window);
// The heights (top, bottom) or widths (left, right) of the visible children aligned so.
int SumAlignedSizes(TWinControl& control, TAlign align, bool includeGraphic);
UINT TextAlignFlags(const TControl& control, TAlignment alignment);
std::optional<POINT> GetCursorPoint();
// Moves the control in its parent's child order to just after the sibling (its windows' z-order
// follows); nothing when the sibling is not a child of the control's parent.
void PlaceAfterSibling(TControl& control, TControl* sibling);

}  // namespace parch
