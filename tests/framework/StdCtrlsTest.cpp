#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/Buttons.h"
#include "framework/FormDescription.h"
#include "framework/Mask.h"
#include "framework/StdCtrls.h"
#include "platform/display/PngFile.h"
#include "platform/gdi/GdiObject.h"
#include "platform/win/ButtonClass.h"
#include "platform/win/ComboBoxClass.h"
#include "platform/win/EditClass.h"
#include "platform/win/ListBoxClass.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

// An edit that records its change notifications in the order they come.
template <class Base>
class TOrderRecorder : public Base {
public:
    explicit TOrderRecorder(TComponent* owner) : Base(owner) {
        Base::OnChange = [this](TObject*) { order.push_back("OnChange"); };
    }
    std::vector<std::string> order;

protected:
    void Dispatch(TMessage& message) override {
        if (message.Msg == CM_CHANGED) order.push_back("CM_CHANGED");
        Base::Dispatch(message);
    }
};

class StdCtrlsTest : public FormFixture {};

TEST_F(StdCtrlsTest, EditChangeSendsChangedBeforeOnChangeForSetTextAndTyping) {
    TForm* form = MakeForm(200, 100);
    auto* edit = Child<TOrderRecorder<TEdit>>(form, 10, 10, 120, 21);
    Show(form);
    edit->SetText("abc");
    EXPECT_EQ(edit->order, (std::vector<std::string>{"CM_CHANGED", "OnChange"}));
    EXPECT_EQ(edit->Text(), "abc");

    edit->order.clear();
    edit->SetFocus();
    edit->SelectAll();
    display.TypeText("xy");
    app.ProcessMessages();
    EXPECT_EQ(edit->Text(), "xy");
    EXPECT_EQ(edit->order, (std::vector<std::string>{"CM_CHANGED", "OnChange", "CM_CHANGED", "OnChange"}));
    EXPECT_TRUE(edit->Modified());
}

TEST_F(StdCtrlsTest, SettingTheTextOfAMemoTellsNoChangeWhileTypingDoes) {
    TForm* form = MakeForm(300, 200);
    auto* edit = Child<TOrderRecorder<TEdit>>(form, 10, 10, 120, 21);
    auto* memo = Child<TOrderRecorder<TMemo>>(form, 10, 40, 200, 100);
    Show(form);
    edit->SetText("one");
    memo->SetText("one\r\ntwo");
    EXPECT_EQ(edit->order.size(), 2u);
    EXPECT_TRUE(memo->order.empty());  // the window sends no EN_CHANGE for its own text
    EXPECT_EQ(memo->Text(), "one\r\ntwo");

    memo->SetFocus();
    display.TypeText("z");
    app.ProcessMessages();
    EXPECT_EQ(memo->order, (std::vector<std::string>{"CM_CHANGED", "OnChange"}));
    EXPECT_NE(memo->Text().find('z'), std::string::npos);
}

TEST_F(StdCtrlsTest, MemoLinesWorkThroughTheWindowsLines) {
    TForm* form = MakeForm(300, 200);
    auto* memo = Child<TMemo>(form, 10, 10, 250, 150);
    Show(form);
    TStrings& lines = memo->Lines();
    EXPECT_EQ(lines.Count(), 0);
    lines.Add("first");
    lines.Add("third");
    lines.Insert(1, "second");
    EXPECT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines.Strings(1), "second");
    EXPECT_EQ(memo->Text(), "first\r\nsecond\r\nthird\r\n");
    lines.SetStrings(0, "Grüße");
    lines.Delete(2);
    EXPECT_EQ(lines.Count(), 2);
    EXPECT_EQ(lines.Text(), "Grüße\r\nsecond\r\n");
    lines.Delete(0);
    EXPECT_EQ(memo->Text(), "second\r\n");
    EXPECT_THROW(lines.Delete(5), EStringListError);
    lines.SetText("a\nb\n");
    EXPECT_EQ(lines.Count(), 2);
    lines.Add("c");  // after a final line break: no empty line in between
    EXPECT_EQ(lines.Strings(2), "c");
    EXPECT_EQ(lines.Count(), 3);
}

TEST_F(StdCtrlsTest, EditKeepsTextAndModifiedAcrossRecreation) {
    TForm* form = MakeForm(200, 100);
    auto* edit = Child<TEdit>(form, 10, 10, 120, 21);
    Show(form);
    edit->SetFocus();
    display.TypeText("kept");
    app.ProcessMessages();
    edit->SetMaxLength(10);
    edit->SetBorderStyle(bsNone);  // makes the window again
    EXPECT_EQ(edit->Text(), "kept");
    EXPECT_TRUE(edit->Modified());
    edit->SetCharCase(ecUpperCase);
    EXPECT_EQ(edit->Text(), "KEPT");
    EXPECT_EQ(SendMessage(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 10);
    EXPECT_TRUE(GetWindowLongPtr(edit->Handle(), GWL_STYLE) & ES_UPPERCASE);
}

TEST(PasswordMask, OneCharacterPerCodePoint) {
    struct Case {
        std::string text;
        char32_t passwordChar;
        std::string shown;
    } cases[] = {
        {"abc", U'*', "***"},
        {"Grüße", U'*', "*****"},
        {"日本", U'*', "**"},
        {"a😀", U'\u25CF', "\u25CF\u25CF"},
        {"secret", 0, "secret"},
    };
    for (const Case& c : cases) EXPECT_EQ(PasswordMaskText(c.text, c.passwordChar), c.shown) << c.text;
}

TEST_F(StdCtrlsTest, EditShowsItsPasswordPerCodePoint) {
    TForm* form = MakeForm(200, 100);
    auto* edit = Child<TEdit>(form, 10, 10, 120, 21);
    edit->SetText("añb");
    edit->SetPasswordChar(U'*');
    Show(form);
    EXPECT_EQ(edit->DisplayText(), "***");
    EXPECT_TRUE(GetWindowLongPtr(edit->Handle(), GWL_STYLE) & ES_PASSWORD);
}

TEST_F(StdCtrlsTest, EnterClicksTheFocusedOrElseTheDefaultButtonAndEscapeTheCancelOne) {
    TForm* form = MakeForm(300, 100);
    auto* edit = Child<TEdit>(form, 10, 10, 100, 21);
    auto* ok = Child<TButton>(form, 10, 40, 75, 25);
    auto* other = Child<TButton>(form, 90, 40, 75, 25);
    auto* cancel = Child<TButton>(form, 170, 40, 75, 25);
    ok->SetDefault(true);
    cancel->SetCancel(true);
    std::vector<TObject*> clicks;
    for (TButton* b : {ok, other, cancel}) b->OnClick = [&](TObject* sender) { clicks.push_back(sender); };
    auto style = [](TButton* b) { return GetWindowLongPtr(b->Handle(), GWL_STYLE) & BS_TYPEMASK; };
    Show(form);
    edit->SetFocus();
    app.ProcessMessages();
    EXPECT_EQ(style(ok), BS_DEFPUSHBUTTON);

    struct Step {
        TWinControl* focus;
        UINT key;
        TObject* clicked;
    } steps[] = {{edit, VK_RETURN, ok}, {edit, VK_ESCAPE, cancel}, {other, VK_RETURN, other}, {other, VK_ESCAPE, cancel}};
    for (const Step& s : steps) {
        s.focus->SetFocus();
        app.ProcessMessages();
        clicks.clear();
        display.PressKey(s.key);
        app.ProcessMessages();
        ASSERT_EQ(clicks.size(), 1u) << s.key;
        EXPECT_EQ(clicks[0], s.clicked);
    }
    // The focused button shows as the default one; the default button gets the look back later.
    other->SetFocus();
    app.ProcessMessages();
    EXPECT_EQ(style(other), BS_DEFPUSHBUTTON);
    EXPECT_EQ(style(ok), BS_PUSHBUTTON);
    edit->SetFocus();
    app.ProcessMessages();
    EXPECT_EQ(style(ok), BS_DEFPUSHBUTTON);
    EXPECT_EQ(style(other), BS_PUSHBUTTON);
}

TEST_F(StdCtrlsTest, ButtonClickSetsTheFormsModalResult) {
    TForm* form = MakeForm(200, 100);
    auto* button = Child<TButton>(form, 10, 10, 75, 25);
    button->SetModalResult(mrRetry);
    Show(form);
    display.Click(At(button, 10, 10).x, At(button, 10, 10).y);
    app.ProcessMessages();
    EXPECT_EQ(form->ModalResult(), mrRetry);
}

TEST_F(StdCtrlsTest, AltAndAnAcceleratorReachLabelsButtonsAndCheckBoxes) {
    TForm* form = MakeForm(300, 150);
    auto* edit = Child<TEdit>(form, 80, 10, 100, 21);
    auto* other = Child<TEdit>(form, 80, 40, 100, 21);
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption("&Name");
    label->SetFocusControl(edit);
    auto* button = Child<TButton>(form, 10, 70, 75, 25);
    button->SetCaption("&Go");
    auto* check = Child<TCheckBox>(form, 100, 70, 90, 20);
    check->SetCaption("&Keep");
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    Show(form);
    other->SetFocus();
    app.ProcessMessages();
    auto alt = [&](UINT key) {
        display.KeyDown(VK_MENU);
        display.PressKey(key);
        display.KeyUp(VK_MENU);
        app.ProcessMessages();
    };
    alt('N');
    EXPECT_TRUE(edit->Focused());
    alt('G');
    EXPECT_EQ(clicks, 1);
    alt('K');
    EXPECT_TRUE(check->Checked());
    EXPECT_TRUE(check->Focused());
    // A button does not take characters: a plain letter is its accelerator too.
    button->SetFocus();
    app.ProcessMessages();
    display.TypeText("g");
    app.ProcessMessages();
    EXPECT_EQ(clicks, 2);
}

TEST_F(StdCtrlsTest, CheckBoxClicksGoThroughItsStates) {
    TForm* form = MakeForm(200, 100);
    auto* check = Child<TCheckBox>(form, 10, 10, 100, 20);
    check->SetAllowGrayed(true);
    int clicks = 0;
    check->OnClick = [&](TObject*) { ++clicks; };
    Show(form);
    TCheckBoxState expected[] = {cbGrayed, cbChecked, cbUnchecked, cbGrayed};
    for (TCheckBoxState state : expected) {
        display.Click(At(check, 6, 10).x, At(check, 6, 10).y);
        app.ProcessMessages();
        EXPECT_EQ(check->State(), state);
        EXPECT_EQ(SendMessage(check->Handle(), BM_GETCHECK, 0, 0), static_cast<LRESULT>(state));
    }
    EXPECT_EQ(clicks, 4);
    check->SetChecked(true);
    EXPECT_EQ(clicks, 5);  // a change from code clicks as well
    check->SetChecked(true);
    EXPECT_EQ(clicks, 5);
}

TEST_F(StdCtrlsTest, ARadioButtonUnchecksOnlyItsSiblings) {
    TForm* form = MakeForm(300, 150);
    auto* group = Child<TGroupBox>(form, 10, 10, 130, 120);
    group->SetCaption("Group");
    std::vector<TRadioButton*> inGroup;
    for (int i = 0; i < 3; ++i) inGroup.push_back(Child<TRadioButton>(group, 8, 20 + 25 * i, 100, 20));
    auto* outside = Child<TRadioButton>(form, 160, 20, 100, 20);
    outside->SetChecked(true);
    Show(form);
    inGroup[0]->SetChecked(true);
    for (int clicked : {2, 1}) {
        display.Click(At(inGroup[clicked], 6, 10).x, At(inGroup[clicked], 6, 10).y);
        app.ProcessMessages();
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(inGroup[i]->Checked(), i == clicked);
            EXPECT_EQ(SendMessage(inGroup[i]->Handle(), BM_GETCHECK, 0, 0), i == clicked ? BST_CHECKED : BST_UNCHECKED);
        }
    }
    EXPECT_TRUE(outside->Checked());
}

TEST_F(StdCtrlsTest, AlignedChildrenOfAGroupBoxSitBelowItsCaption) {
    TForm* form = MakeForm(300, 150);
    auto* group = Child<TGroupBox>(form, 10, 10, 130, 120);
    group->SetCaption("Group");
    auto* inside = Child<TEdit>(group, 0, 0, 50, 21);
    inside->SetAlign(alTop);
    Show(form);
    EXPECT_GE(inside->Top(), 10);
    EXPECT_LT(inside->Top(), 30);
    EXPECT_GT(inside->Left(), 0);
}

TEST_F(StdCtrlsTest, ListBoxKeepsItemsObjectsAndSelectionAcrossRecreation) {
    TForm* form = MakeForm(300, 200);
    auto* list = Child<TListBox>(form, 10, 10, 150, 150);
    TObject marker;
    list->Items().Add("beta");  // before the window exists
    Show(form);
    list->Items().AddObject("alpha", &marker);
    list->Items().Insert(0, "gamma");
    list->SetItemIndex(2);
    list->SetSorted(true);  // makes the window again
    ASSERT_EQ(list->Items().Count(), 3);
    EXPECT_EQ(list->Items().Strings(0), "alpha");
    EXPECT_EQ(list->Items().Objects(0), &marker);
    EXPECT_EQ(list->Items().IndexOf("gamma"), 2);
    EXPECT_TRUE(GetWindowLongPtr(list->Handle(), GWL_STYLE) & LBS_SORT);

    list->SetMultiSelect(true);
    list->SetSelected(0, true);
    list->SetSelected(2, true);
    EXPECT_EQ(list->SelCount(), 2);
    list->SetExtendedSelect(false);  // again a new window
    EXPECT_EQ(list->SelCount(), 2);
    EXPECT_TRUE(list->Selected(0));
    EXPECT_FALSE(list->Selected(1));
    EXPECT_TRUE(list->Selected(2));
    EXPECT_EQ(list->Items().Objects(0), &marker);
}

TEST_F(StdCtrlsTest, ListBoxClickAndItemPositions) {
    TForm* form = MakeForm(300, 200);
    auto* list = Child<TListBox>(form, 10, 10, 150, 150);
    for (const char* s : {"one", "two", "three"}) list->Items().Add(s);
    int clicks = 0, doubleClicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    list->OnDblClick = [&](TObject*) { ++doubleClicks; };
    Show(form);
    RECT second = list->ItemRect(1);
    EXPECT_EQ(list->ItemAtPos({second.left + 3, second.top + 1}, true), 1);
    EXPECT_EQ(list->ItemAtPos({3, 140}, true), -1);
    EXPECT_EQ(list->ItemAtPos({3, 140}, false), 3);
    display.Click(At(list, second.left + 3, second.top + 2).x, At(list, second.left + 3, second.top + 2).y);
    app.ProcessMessages();
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    list->SetItemIndex(0);  // from code: no click
    EXPECT_EQ(clicks, 1);
    display.DoubleClick(At(list, second.left + 3, second.top + 2).x, At(list, second.left + 3, second.top + 2).y);
    app.ProcessMessages();
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(StdCtrlsTest, OwnerDrawnListBoxDrawsAndMeasuresItsItemsThroughTheControl) {
    TForm* form = MakeForm(300, 200);
    auto* list = Child<TListBox>(form, 10, 10, 150, 150);
    Child<TEdit>(form, 170, 10, 100, 21);  // a sibling: WM_MEASUREITEM must still find the list
    list->SetStyle(lbOwnerDrawVariable);
    std::vector<int> drawn;
    list->OnMeasureItem = [](TWinControl*, int index, int& height) { height = 10 + 5 * index; };
    list->OnDrawItem = [&](TWinControl* control, int index, RECT rect, TOwnerDrawState) {
        drawn.push_back(index);
        auto* self = static_cast<TListBox*>(control);
        self->Canvas().Brush().SetColor(index == 1 ? clRed : clWhite);
        self->Canvas().FillRect(rect);
    };
    Show(form);
    for (const char* s : {"one", "two", "three"}) list->Items().Add(s);
    app.ProcessMessages();
    for (int i = 0; i < 3; ++i) {
        RECT r = list->ItemRect(i);
        EXPECT_EQ(r.bottom - r.top, 10 + 5 * i) << i;
        EXPECT_NE(std::find(drawn.begin(), drawn.end(), i), drawn.end()) << i;
    }
    WindowPixels pixels(form);
    RECT second = list->ItemRect(1);
    EXPECT_EQ(pixels.At(list, second.left + 5, second.top + 5), RGB(255, 0, 0));
}

TEST_F(StdCtrlsTest, ComboDropDownCountReachesTheWindowOnEveryDropDown) {
    TForm* form = MakeForm(300, 200);
    auto* combo = Child<TComboBox>(form, 10, 10, 150, 21);
    for (int i = 0; i < 20; ++i) combo->Items().Add("item " + std::to_string(i));
    combo->SetDropDownCount(5);
    int drops = 0, closes = 0;
    combo->OnDropDown = [&](TObject*) { ++drops; };
    combo->OnCloseUp = [&](TObject*) { ++closes; };
    Show(form);
    EXPECT_EQ(SendMessage(combo->Handle(), CB_GETMINVISIBLE, 0, 0), 5);
    for (int round = 0; round < 2; ++round) {
        // Something else changed the window's count meanwhile.
        SendMessage(combo->Handle(), CB_SETMINVISIBLE, 12, 0);
        combo->SetDroppedDown(true);
        app.ProcessMessages();
        EXPECT_TRUE(combo->DroppedDown());
        EXPECT_EQ(SendMessage(combo->Handle(), CB_GETMINVISIBLE, 0, 0), 5);
        RECT list;
        GetWindowRect(combo->ListHandle(), &list);
        EXPECT_LE(list.bottom - list.top, 5 * combo->ItemHeight() + 4);
        combo->SetDroppedDown(false);
        app.ProcessMessages();
    }
    EXPECT_EQ(drops, 2);
    EXPECT_EQ(closes, 2);
}

// A combo box that records what reaches its inner edit.
class TEditWatchingCombo : public TComboBox {
public:
    using TComboBox::TComboBox;
    std::vector<WPARAM> chars;

protected:
    void EditWndProc(TMessage& message) override {
        if (message.Msg == WM_CHAR) chars.push_back(message.WParam);
        TComboBox::EditWndProc(message);
    }
};

TEST_F(StdCtrlsTest, ComboInnerEditIsSubclassedAndItsKeysReachTheCombo) {
    TForm* form = MakeForm(300, 200);
    auto* combo = Child<TEditWatchingCombo>(form, 10, 10, 150, 21);
    combo->Items().Add("apple");
    combo->Items().Add("banana");
    std::vector<char16_t> pressed;
    combo->OnKeyPress = [&](TObject*, char16_t& key) {
        pressed.push_back(key);
        if (key == u'x') key = 0;  // swallowed
    };
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    Show(form);
    COMBOBOXINFO info;
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &info));
    EXPECT_EQ(combo->EditHandle(), info.hwndItem);
    EXPECT_EQ(combo->ListHandle(), info.hwndList);
    combo->SetFocus();
    display.TypeText("axb");
    app.ProcessMessages();
    EXPECT_EQ(combo->chars, (std::vector<WPARAM>{'a', 'x', 'b'}));
    EXPECT_EQ(pressed, (std::vector<char16_t>{u'a', u'x', u'b'}));
    EXPECT_EQ(combo->Text(), "ab");
    EXPECT_EQ(changes, 2);

    int selects = 0;
    combo->OnSelect = [&](TObject*) { ++selects; };
    display.PressKey(VK_DOWN);
    app.ProcessMessages();
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(combo->Text(), "apple");
}

TEST_F(StdCtrlsTest, ComboKeepsItemsIndexAndTextAcrossRecreation) {
    TForm* form = MakeForm(300, 200);
    auto* combo = Child<TComboBox>(form, 10, 10, 150, 21);
    TObject marker;
    combo->Items().AddObject("first", &marker);
    combo->Items().Add("second");
    combo->SetItemIndex(1);
    Show(form);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "second");
    combo->SetStyle(csDropDownList);
    EXPECT_EQ(combo->Items().Count(), 2);
    EXPECT_EQ(combo->Items().Objects(0), &marker);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->EditHandle(), nullptr);  // a drop-down list has no edit
    EXPECT_NE(combo->ListHandle(), nullptr);
}

TEST_F(StdCtrlsTest, DescriptionsMakeTheStandardControls) {
    TComponentDescription description{
        "TForm", "Dialog", {{"ClientWidth", "300"}, {"ClientHeight", "200"}}, {}, {
            {"TEdit", "NameEdit", {{"Text", "Ann"}, {"MaxLength", "8"}}, {}, {}},
            {"TCheckBox", "Keep", {{"Checked", "True"}}, {}, {}},
            {"TComboBox", "Kind", {{"Style", "csDropDownList"}, {"DropDownCount", "4"}}, {}, {}},
            {"TMaskEdit", "Date", {{"EditMask", "00/00/0000;1;_"}}, {}, {}},
            {"TBitBtn", "Ok", {{"Kind", "bkOK"}}, {}, {}},
        }};
    auto* form = new TForm(&app);
    form->ReadDescription(description, {});
    EXPECT_EQ(static_cast<TEdit*>(form->FindComponent("NameEdit"))->MaxLength(), 8);
    EXPECT_TRUE(static_cast<TCheckBox*>(form->FindComponent("Keep"))->Checked());
    EXPECT_EQ(static_cast<TComboBox*>(form->FindComponent("Kind"))->DropDownCount(), 4);
    EXPECT_EQ(static_cast<TMaskEdit*>(form->FindComponent("Date"))->EditText(), "__/__/____");
    EXPECT_EQ(static_cast<TBitBtn*>(form->FindComponent("Ok"))->ModalResult(), mrOk);
}

// Every standard control on one form, saved as a picture to look at.
TEST_F(StdCtrlsTest, AFormWithEveryStandardControl) {
    TForm* form = MakeForm(420, 300);
    form->SetColor(clBtnFace);
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetBounds(10, 12, 60, 17);
    label->SetCaption("&Name:");
    auto* edit = Child<TEdit>(form, 70, 10, 120, 21);
    edit->SetText("Edit text");
    auto* mask = Child<TMaskEdit>(form, 200, 10, 100, 21);
    mask->SetEditMask("00/00/0000;0;_");
    mask->SetText("12252026");
    auto* memo = Child<TMemo>(form, 10, 40, 180, 70);
    memo->Lines().Add("A memo");
    memo->Lines().Add("with two lines");
    memo->SetScrollBars(ssVertical);
    auto* group = Child<TGroupBox>(form, 200, 40, 200, 100);
    group->SetCaption("Options");
    auto* check = Child<TCheckBox>(group, 10, 20, 150, 20);
    check->SetCaption("&Check box");
    check->SetChecked(true);
    auto* radio1 = Child<TRadioButton>(group, 10, 45, 150, 20);
    radio1->SetCaption("Radio one");
    radio1->SetChecked(true);
    auto* radio2 = Child<TRadioButton>(group, 10, 70, 150, 20);
    radio2->SetCaption("Radio two");
    auto* list = Child<TListBox>(form, 10, 120, 180, 80);
    for (const char* s : {"List item 1", "List item 2", "List item 3"}) list->Items().Add(s);
    list->SetItemIndex(1);
    auto* combo = Child<TComboBox>(form, 200, 150, 200, 21);
    combo->Items().Add("Combo item");
    combo->SetItemIndex(0);
    auto* button = Child<TButton>(form, 10, 260, 75, 25);
    button->SetCaption("Button");
    button->SetDefault(true);
    auto* ok = Child<TBitBtn>(form, 100, 260, 90, 25);
    ok->SetKind(bkOK);
    auto* cancel = Child<TBitBtn>(form, 200, 260, 90, 25);
    cancel->SetKind(bkCancel);
    Show(form);
    edit->SetFocus();
    app.ProcessMessages();

    WindowPixels pixels(form);
    if (const char* keep = std::getenv("PARCH_KEEP_PICTURES")) {
        std::string path = (std::filesystem::path(keep) / "standard-controls.png").string();
        EXPECT_TRUE(SavePng(pixels.Picture(), path));
    }
    EXPECT_EQ(mask->EditText(), "12/25/2026");
    // The selected list item is highlighted; the edit's face is the window colour.
    RECT selected = list->ItemRect(1);
    EXPECT_EQ(pixels.At(list, selected.right - 3, selected.top + 2), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(pixels.At(edit, edit->ClientRect().right - 3, 3), GetSysColor(COLOR_WINDOW));
    // The OK glyph's green tick lies in the left part of its button.
    bool green = false;
    for (int y = 4; y < 21 && !green; ++y)
        for (int x = 4; x < 40 && !green; ++x) green = pixels.At(ok, x, y) == RGB(0, 128, 0);
    EXPECT_TRUE(green);
}

}  // namespace
}  // namespace parch
