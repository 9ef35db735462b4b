#include "framework/MessageDialogs.h"

#include <algorithm>
#include <vector>

#include "framework/DialogLayout.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "platform/win/MessageBox.h"
#include "platform/win/SystemIcons.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace message_dialogs {

struct ButtonKind {
    TMsgDlgBtn button;
    const char* name;
    const char* caption;
    TModalResult result;
};

// In the order the dialog shows them.
constexpr ButtonKind kButtonKinds[] = {
    {mbYes, "Yes", "&Yes", mrYes},
    {mbNo, "No", "&No", mrNo},
    {mbOK, "OK", "OK", mrOk},
    {mbCancel, "Cancel", "Cancel", mrCancel},
    {mbAbort, "Abort", "&Abort", mrAbort},
    {mbRetry, "Retry", "&Retry", mrRetry},
    {mbIgnore, "Ignore", "&Ignore", mrIgnore},
    {mbAll, "All", "&All", mrAll},
    {mbNoToAll, "NoToAll", "N&o to All", mrNoToAll},
    {mbYesToAll, "YesToAll", "Yes to &All", mrYesToAll},
    {mbHelp, "Help", "&Help", mrNone},
};

std::string CaptionOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    case mtCustom: break;
    }
    return Application ? Application->Title() : std::string();
}

const char* IconOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning: return IDI_WARNING;
    case mtError: return IDI_ERROR;
    case mtInformation: return IDI_INFORMATION;
    case mtConfirmation: return IDI_QUESTION;
    case mtCustom: break;
    }
    return nullptr;
}

// A dialog needs a way out: a set of nothing but Help (or nothing at all) gets OK.
TMsgDlgButtons WithAWayOut(TMsgDlgButtons buttons) {
    for (const ButtonKind& kind : kButtonKinds)
        if (kind.result != mrNone && buttons.Contains(kind.button)) return buttons;
    buttons.Include(mbOK);
    return buttons;
}

TMsgDlgBtn DefaultButtonOf(TMsgDlgButtons buttons) {
    for (TMsgDlgBtn preferred : {mbOK, mbYes, mbRetry})
        if (buttons.Contains(preferred)) return preferred;
    for (const ButtonKind& kind : kButtonKinds)
        if (kind.result != mrNone && buttons.Contains(kind.button)) return kind.button;
    return mbOK;
}

// Whether the set has a cancel button, and which.
bool FindCancelButton(TMsgDlgButtons buttons, TMsgDlgBtn& cancel) {
    for (TMsgDlgBtn candidate : {mbCancel, mbNo, mbOK}) {
        if (buttons.Contains(candidate)) {
            cancel = candidate;
            return true;
        }
    }
    return false;
}

// Room left beside the caption's text for the frame's icon and close button.
constexpr int kCaptionReserve = 60;

}  // namespace message_dialogs

using namespace message_dialogs;

// The message dialog. Its class name is its window class name, which the skinning hook reads.
class TMessageForm : public TForm {
public:
    TMessageForm(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons);
    void SetHelpContext(int context) { helpContext_ = context; }

protected:
    void Dispatch(TMessage& message) override;

private:
    void AddIcon(const char* iconName, const dialog_layout::TDialogMetrics& metrics);
    TLabel* AddMessage(const std::string& msg);
    TButton* AddButton(const ButtonKind& kind);
    void ShowHelp();

    TButton* cancelButton_ = nullptr;
    int helpContext_ = 0;
};

TMessageForm::TMessageForm(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons) : TForm(nullptr) {
    using namespace dialog_layout;
    SetBorderStyle(bsDialog);
    SetCaption(CaptionOf(type));
    UseMessageFont(Font());
    const TDialogMetrics metrics(Font());
    buttons = WithAWayOut(buttons);

    const char* iconName = IconOf(type);
    const int iconSize = GetSystemMetrics(SM_CXICON);
    const SIZE text = TextExtent(Font(), msg, WrapWidth(), kMessageTextFlags);
    const int iconTextWidth = text.cx + (iconName ? iconSize + metrics.Across(10) : 0);
    const int iconTextHeight = std::max<int>(text.cy, iconName ? iconSize : 0);

    std::vector<TButton*> shown;
    int buttonWidth = metrics.Across(50);
    const TMsgDlgBtn defaultButton = DefaultButtonOf(buttons);
    TMsgDlgBtn cancelButton = mbCancel;
    const bool hasCancel = FindCancelButton(buttons, cancelButton);
    for (const ButtonKind& kind : kButtonKinds) {
        if (!buttons.Contains(kind.button)) continue;
        TButton* button = AddButton(kind);
        button->SetDefault(kind.button == defaultButton);
        if (kind.button == defaultButton) SetActiveControl(button);
        if (hasCancel && kind.button == cancelButton) {
            button->SetCancel(true);
            cancelButton_ = button;
        }
        buttonWidth = std::max(buttonWidth, static_cast<int>(TextExtent(Font(), kind.caption, 0, DT_SINGLELINE).cx) +
                                                metrics.Across(8));
        shown.push_back(button);
    }
    const int count = static_cast<int>(shown.size());
    const int buttonSpacing = metrics.Across(4);
    const int buttonHeight = metrics.Down(14);
    const int groupWidth = count * buttonWidth + (count - 1) * buttonSpacing;
    const int captionWidth = CaptionTextWidth(Caption()) + kCaptionReserve;

    const int horzMargin = metrics.Across(8);
    const int vertMargin = metrics.Down(8);
    const int clientWidth = std::max({iconTextWidth, groupWidth, captionWidth - 2 * horzMargin}) + 2 * horzMargin;
    const int buttonTop = vertMargin + iconTextHeight + metrics.Down(10);
    SetClientSize(clientWidth, buttonTop + buttonHeight + vertMargin);

    if (iconName) AddIcon(iconName, metrics);
    TLabel* label = AddMessage(msg);
    // A text shorter than the icon stands beside its middle.
    const int textLeft = horzMargin + iconTextWidth - text.cx;
    const int textTop = vertMargin + (iconTextHeight - text.cy) / 2;
    label->SetBounds(textLeft, textTop, text.cx, text.cy);
    int x = (clientWidth - groupWidth) / 2;
    for (TButton* button : shown) {
        button->SetBounds(x, buttonTop, buttonWidth, buttonHeight);
        x += buttonWidth + buttonSpacing;
    }
}

void TMessageForm::AddIcon(const char* iconName, const dialog_layout::TDialogMetrics& metrics) {
    auto* image = new TImage(this);
    image->SetName("Image");
    image->SetParent(this);
    const int size = GetSystemMetrics(SM_CXICON);
    image->SetBounds(metrics.Across(8), metrics.Down(8), size, size);
    // The stock icon is shared: the picture owns a copy.
    image->Picture().Icon().SetHandle(CopyIcon(LoadIcon(nullptr, iconName)));
}

TLabel* TMessageForm::AddMessage(const std::string& msg) {
    auto* label = new TLabel(this);
    label->SetName("Message");
    label->SetParent(this);
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    // The message is shown as written: an '&' is no accelerator.
    label->SetShowAccelChar(false);
    label->SetCaption(msg);
    return label;
}

TButton* TMessageForm::AddButton(const ButtonKind& kind) {
    auto* button = new TButton(this);
    button->SetName(kind.name);
    button->SetParent(this);
    button->SetCaption(kind.caption);
    button->SetModalResult(kind.result);
    if (kind.button == mbHelp) button->OnClick = [this](TObject*) { ShowHelp(); };
    return button;
}

// There is no help viewer of our own: the request goes where the program can answer it.
void TMessageForm::ShowHelp() {
    if (!Application) return;
    HELPINFO info;
    info.iContextType = HELPINFO_WINDOW;
    info.hItemHandle = Handle();
    info.dwContextId = static_cast<DWORD_PTR>(helpContext_);
    GetCursorPos(&info.MousePos);
    SendMessage(Application->Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

void TMessageForm::Dispatch(TMessage& message) {
    // Closing answers what the cancel button answers; a dialog without one has to be answered
    // with one of its buttons, as a caller of a question expects one of their results.
    if (message.Msg == WM_CLOSE) {
        if (cancelButton_) cancelButton_->Click();
        return;
    }
    TForm::Dispatch(message);
}

namespace message_dialogs {

std::unique_ptr<TMessageForm> NewMessageForm(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons) {
    return std::make_unique<TMessageForm>(msg, type, buttons);
}

}  // namespace message_dialogs

std::unique_ptr<TForm> CreateMessageDialog(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons) {
    std::unique_ptr<TForm> dialog = NewMessageForm(msg, type, buttons);
    dialog->SetPosition(poScreenCenter);
    return dialog;
}

TModalResult MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) {
    return MessageDlgPos(msg, type, buttons, helpCtx, -1, -1);
}

TModalResult MessageDlgPos(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx, int x,
                           int y) {
    std::unique_ptr<TMessageForm> dialog = NewMessageForm(msg, type, buttons);
    dialog->SetHelpContext(helpCtx);
    if (x < 0 && y < 0) {
        dialog->SetPosition(poScreenCenter);
    } else {
        const int left = x >= 0 ? x : (GetSystemMetrics(SM_CXSCREEN) - dialog->Width()) / 2;
        const int top = y >= 0 ? y : (GetSystemMetrics(SM_CYSCREEN) - dialog->Height()) / 2;
        dialog->SetBounds(left, top, dialog->Width(), dialog->Height());
    }
    return dialog->ShowModal();
}

}  // namespace parch
