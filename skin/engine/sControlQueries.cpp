#include "skin/engine/sControlQueries.h"

#include "framework/Forms.h"
#include "framework/Scrolling.h"
#include "framework/WinControls.h"
#include "platform/os/ProcedureTable.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinnedForms.h"

namespace parch {

std::function<bool(TWinControl& child)> BroadcastFilter;

namespace {

bool ControlGoing(const TComponent* component) {
    return component != nullptr && (component->ComponentState() & csDestroying) != 0;
}

LRESULT SendTo(HWND window, const TMessage& message) {
    return SendMessage(window, message.Msg, message.WParam, message.LParam);
}

}  // namespace

SetWindowThemeFunction BoundSetWindowTheme() {
    static const SetWindowThemeFunction bound = []() -> SetWindowThemeFunction {
        HMODULE module = LoadLibrary("UXTHEME");
        if (module == nullptr) return nullptr;
        return GetProcAddressOf<std::remove_pointer_t<SetWindowThemeFunction>>(module, "SetWindowTheme");
    }();
    return bound;
}

LRESULT SendSkinCommandToWnd(HWND window, int command, LPARAM lParam) {
    return SendMessage(window, SkinCommandMessage, SkinCommandWParam(command), lParam);
}

LRESULT SendSkinCommand(TControl* control, int command, LPARAM lParam) {
    if (control == nullptr) return 0;
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
        if (ControlGoing(windowed) || !windowed->HandleAllocated()) return 0;
        return SendSkinCommandToWnd(windowed->Handle(), command, lParam);
    }
    return control->Perform(SkinCommandMessage, SkinCommandWParam(command), lParam);
}

bool WndAnswersSkinCommand(HWND window, int command) { return SendSkinCommandToWnd(window, command, 0) == 1; }

TColor GetControlBgColor(TControl* control) {
    if (control == nullptr) return static_cast<TColor>(TransparentKey);
    if (SendSkinCommand(control, scIsSkinned, 0) != 1) return static_cast<TColor>(ColorToRGB(control->Color()));
    auto answer = control->Perform(SkinCommandMessage, SkinCommandWParam(scGetBackgroundColor), TransparentKey);
    return static_cast<TColor>(ColorToRGB(static_cast<TColor>(answer)));
}

TColor GetWndBgColor(HWND window) {
    if (window == nullptr) return static_cast<TColor>(TransparentKey);
    return static_cast<TColor>(ColorToRGB(static_cast<TColor>(SendSkinCommandToWnd(window, scGetBackgroundColor, TransparentKey))));
}

void RefreshChildControls(TWinControl& control) {
    if (AnimationInProgress) return;
    for (int i = 0; i < control.ControlCount(); ++i) {
        TControl* child = control.Controls(i);
        auto* windowed = dynamic_cast<TWinControl*>(child);
        if (windowed == nullptr || ControlGoing(child)) continue;
        if (windowed->HandleAllocated() && windowed->Showing())
            SendSkinCommandToWnd(windowed->Handle(), scResumePainting, 0);
        else
            SendSkinCommand(child, scResumePainting, 0);
    }
}

void RefreshChildWindows(HWND window) {
    for (HWND child = GetTopWindow(window); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongPtr(child, GWL_STYLE) & WS_CHILD) != 0) SendSkinCommandToWnd(child, scResumePainting, 0);
}

void BroadcastToControls(TWinControl& control, TMessage& message) {
    for (int i = 0; i < control.ControlCount(); ++i) {
        TControl* child = control.Controls(i);
        if (ControlGoing(child)) return;
        auto* windowed = dynamic_cast<TWinControl*>(child);
        if (windowed == nullptr || !windowed->HandleAllocated()) {
            child->Perform(message.Msg, message.WParam, message.LParam);
        } else if (SendSkinCommandToWnd(windowed->Handle(), scIsSkinned, 0) != 0) {
            SendTo(windowed->Handle(), message);
        } else if (!(BroadcastFilter && BroadcastFilter(*windowed))) {
            BroadcastToControls(*windowed, message);
        }
    }
}

namespace {

struct ChildWindowBroadcast {
    HWND parent;
    TMessage* message;
};

BOOL SendToDirectChild(HWND window, LPARAM data) {
    auto* broadcast = reinterpret_cast<ChildWindowBroadcast*>(data);
    if (GetParent(window) == broadcast->parent) SendTo(window, *broadcast->message);
    return 1;
}

}  // namespace

void BroadcastToChildWindows(HWND window, TMessage& message) {
    ChildWindowBroadcast broadcast{window, &message};
    EnumChildWindows(window, SendToDirectChild, reinterpret_cast<LPARAM>(&broadcast));
}

void RequestControlAdapter(TControl* control) {
    if (control == nullptr || (control->ComponentState() & (csDesigning | csLoading)) != 0) return;
    TCustomForm* form = control->ParentForm();
    if (form == nullptr) return;
    SendSkinCommandToWnd(form->Handle(), scAttachAdapters, reinterpret_cast<LPARAM>(control));
}

bool ControlCanPaint(TControl* control) {
    if (control == nullptr) return false;
    if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed != nullptr && !windowed->HandleAllocated())
        return false;
    if ((control->ControlState() & (csCreating | csReadingState)) != 0) return false;
    if ((control->ComponentState() & (csLoading | csDestroying)) != 0) return false;
    return control->Parent() != nullptr;
}

TCustomForm* FindOwnerForm(TComponent* component) {
    for (TComponent* c = component; c != nullptr; c = c->Owner())
        if (auto* form = dynamic_cast<TCustomForm*>(c)) return form;
    return nullptr;
}

TCustomFrame* FindOwnerFrame(TComponent* component) {
    for (TComponent* c = component; c != nullptr; c = c->Owner())
        if (auto* frame = dynamic_cast<TCustomFrame*>(c)) return frame;
    return nullptr;
}

HWND GetTopParentWindow(HWND window) {
    HWND top = window;
    for (HWND parent = GetParent(top); parent != nullptr; parent = GetParent(top)) top = parent;
    return top;
}

RECT GetClientRectInWindow(HWND window) {
    RECT client{};
    RECT bounds{};
    GetClientRect(window, &client);
    GetWindowRect(window, &bounds);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    int dx = origin.x - bounds.left;
    int dy = origin.y - bounds.top;
    return RECT{client.left + dx, client.top + dy, client.right + dx, client.bottom + dy};
}

int SumAlignedSizes(TWinControl& control, TAlign align, bool includeGraphic) {
    int sum = 0;
    for (int i = 0; i < control.ControlCount(); ++i) {
        TControl* child = control.Controls(i);
        if (!child->Visible() || child->Align() != align) continue;
        if (!includeGraphic && dynamic_cast<TWinControl*>(child) == nullptr) continue;
        switch (align) {
            case alTop:
            case alBottom: sum += child->Height(); break;
            case alLeft:
            case alRight: sum += child->Width(); break;
            default: break;
        }
    }
    return sum;
}

UINT TextAlignFlags(const TControl& control, TAlignment alignment) {
    UINT flags = alignment == taRightJustify ? DT_RIGHT : alignment == taCenter ? DT_CENTER : DT_LEFT;
    return control.DrawTextBiDiModeFlags(flags | DT_VCENTER | DT_EXPANDTABS);
}

std::optional<POINT> GetCursorPoint() {
    POINT point{};
    if (!GetCursorPos(&point)) return std::nullopt;
    return point;
}

void PlaceAfterSibling(TControl& control, TControl* sibling) {
    TWinControl* parent = control.Parent();
    if (parent == nullptr || sibling == nullptr || sibling == &control) return;
    int siblingIndex = -1;
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (parent->Controls(i) == sibling) siblingIndex = i;
    if (siblingIndex < 0) return;
    // The control goes to the top, then everything that lay above the sibling goes over it.
    std::vector<TControl*> above;
    for (int i = siblingIndex + 1; i < parent->ControlCount(); ++i)
        if (parent->Controls(i) != &control) above.push_back(parent->Controls(i));
    control.BringToFront();
    for (TControl* other : above) other->BringToFront();
}

}  // namespace parch
