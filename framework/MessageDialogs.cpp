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

}  // namespace message_dialogs

// The message dialog. Its class name is its window class name, which the skinning hook reads.
class TMessageForm : public TForm {
public:
    TMessageForm(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons);
    void SetHelpContext(int context) { helpContext_ = context; }

protected:
    void Dispatch(TMessage& message) override;

private:
    TImage* AddIcon(const char* iconName);
    TLabel* AddMessage(const std::string& msg);
    std::vector<TButton*> AddButtons(TMsgDlgButtons buttons);
    TButton* AddButton(const message_dialogs::ButtonKind& kind);
    // Icon and text side by side, the row of buttons centred below them.
    void LayOut(TImage* icon, TLabel& message, const std::vector<TButton*>& buttons);
    void ShowHelp();

    TButton* cancelButton_ = nullptr;
    int helpContext_ = 0;
};

TMessageForm::TMessageForm(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons) : TForm(nullptr) {
    SetBorderStyle(bsDialog);
    SetCaption(message_dialogs::CaptionOf(type));
    dialog_layout::UseMessageFont(Font());
    const char* iconName = message_dialogs::IconOf(type);
    TImage* icon = iconName ? AddIcon(iconName) : nullptr;
    TLabel* message = AddMessage(msg);
    LayOut(icon, *message, AddButtons(message_dialogs::WithAWayOut(buttons)));
}

TImage* TMessageForm::AddIcon(const char* iconName) {
    auto* image = new TImage(this);
    image->SetName("Image");
    image->SetParent(this);
    // The stock icon is shared: the picture owns a copy.
    image->Picture().Icon().SetHandle(CopyIcon(LoadIcon(nullptr, iconName)));
    return image;
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

std::vector<TButton*> TMessageForm::AddButtons(TMsgDlgButtons buttons) {
    const TMsgDlgBtn defaultButton = message_dialogs::DefaultButtonOf(buttons);
    TMsgDlgBtn cancelButton = mbCancel;
    const bool hasCancel = message_dialogs::FindCancelButton(buttons, cancelButton);
    std::vector<TButton*> row;
    for (const message_dialogs::ButtonKind& kind : message_dialogs::kButtonKinds) {
        if (!buttons.Contains(kind.button)) continue;
        TButton* button = AddButton(kind);
        if (kind.button == defaultButton) {
            button->SetDefault(true);
            SetActiveControl(button);
        }
        if (hasCancel && kind.button == cancelButton) {
            button->SetCancel(true);
            cancelButton_ = button;
        }
        row.push_back(button);
    }
    return row;
}

TButton* TMessageForm::AddButton(const message_dialogs::ButtonKind& kind) {
    auto* button = new TButton(this);
    button->SetName(kind.name);
    button->SetParent(this);
    button->SetCaption(kind.caption);
    button->SetModalResult(kind.result);
    if (kind.button == mbHelp) button->OnClick = [this](TObject*) { ShowHelp(); };
    return button;
}

void TMessageForm::LayOut(TImage* icon, TLabel& message, const std::vector<TButton*>& buttons) {
    using namespace dialog_layout;
    const TDialogMetrics metrics(Font());
    const int horzMargin = metrics.Across(8);
    const int vertMargin = metrics.Down(8);
    const int iconSize = icon ? GetSystemMetrics(SM_CXICON) : 0;
    const int iconSpace = icon ? iconSize + metrics.Across(10) : 0;
    int buttonWidth = metrics.Across(50);
    for (TButton* button : buttons) {
        const int captionWidth = TextExtent(Font(), button->Caption(), 0, DT_SINGLELINE).cx;
        buttonWidth = std::max(buttonWidth, captionWidth + metrics.Across(8));
    }
    const int buttonHeight = metrics.Down(14);
    const int buttonSpacing = metrics.Across(4);
    const int textToButtons = metrics.Down(10);

    const SIZE frame{Width() - ClientWidth(), Height() - ClientHeight()};
    const SIZE aroundText{frame.cx + 2 * horzMargin + iconSpace, frame.cy + 2 * vertMargin + textToButtons + buttonHeight};
    const SIZE text =
        FitOnWorkArea(TextExtent(Font(), message.Caption(), WrapWidth(), kMessageTextFlags), aroundText);
    const int iconTextHeight = std::max<int>(text.cy, iconSize);
    const int count = static_cast<int>(buttons.size());
    const int rowWidth = count * buttonWidth + (count - 1) * buttonSpacing;

    const SIZE caption = FitOnWorkArea({CaptionClientWidth(Caption()), 0}, frame);
    const int clientWidth = std::max(
        {iconSpace + static_cast<int>(text.cx) + 2 * horzMargin, rowWidth + 2 * horzMargin, static_cast<int>(caption.cx)});
    const int buttonTop = vertMargin + iconTextHeight + textToButtons;
    SetClientSize(clientWidth, buttonTop + buttonHeight + vertMargin);

    if (icon) icon->SetBounds(horzMargin, vertMargin, iconSize, iconSize);
    // A text shorter than the icon stands beside its middle.
    message.SetBounds(horzMargin + iconSpace, vertMargin + (iconTextHeight - text.cy) / 2, text.cx, text.cy);
    int x = (clientWidth - rowWidth) / 2;
    for (TButton* button : buttons) {
        button->SetBounds(x, buttonTop, buttonWidth, buttonHeight);
        x += buttonWidth + buttonSpacing;
    }
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

std::unique_ptr<TForm> CreateMessageDialog(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons) {
    auto dialog = std::make_unique<TMessageForm>(msg, type, buttons);
    dialog->SetPosition(poScreenCenter);
    return dialog;
}

TModalResult MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) {
    return MessageDlgPos(msg, type, buttons, helpCtx, -1, -1);
}

TModalResult MessageDlgPos(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx, int x,
                           int y) {
    auto dialog = std::make_unique<TMessageForm>(msg, type, buttons);
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
