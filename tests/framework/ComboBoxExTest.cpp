#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/ComboBoxEx.h"
#include "platform/display/PngFile.h"
#include "platform/win/ComboBoxExClass.h"
#include "tests/framework/FormFixture.h"
#include "tests/framework/ImageListSquares.h"

namespace parch {
namespace {

// Counts what passes through the inner windows.
class TCountingComboBoxEx : public TComboBoxEx {
public:
    using TComboBoxEx::TComboBoxEx;
    int innerComboMessages = 0;

protected:
    void ComboWndProc(TMessage& message, HWND innerWnd) override {
        if (innerWnd == ComboHandle()) ++innerComboMessages;
        TComboBoxEx::ComboWndProc(message, innerWnd);
    }
};

COMBOBOXEXITEMA WindowComboExItem(HWND hwnd, int index, char* text, int size) {
    COMBOBOXEXITEMA item;
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_OVERLAY | CBEIF_INDENT | CBEIF_LPARAM;
    item.iItem = index;
    item.pszText = text;
    item.cchTextMax = size;
    SendMessage(hwnd, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item;
}

class ComboBoxExTest : public FormFixture {
protected:
    TForm* form = nullptr;
    TCountingComboBoxEx* combo = nullptr;
    TImageList* images = nullptr;
    int folderData = 7;

    void MakeCombo(TComboBoxExStyle style) {
        form = MakeForm(260, 200);
        combo = Child<TCountingComboBoxEx>(form, 10, 10, 220, 24);
        combo->SetStyle(style);
        images = MakeSquaresImageList(form, 16, {0xCC2222, 0x22AA22, 0x2244CC});
        combo->SetImages(images);
        combo->ItemsEx().AddItem("Desktop", 0, -1, -1, 0, nullptr);
        combo->ItemsEx().AddItem("Computer", 1, 2, 0, 1, &folderData);
        combo->ItemsEx().AddItem("Documents", 2, -1, -1, 2, nullptr);
    }
};

TEST_F(ComboBoxExTest, ItemsReachTheWindowWithPicturesIndentsAndData) {
    MakeCombo(csExDropDownList);
    Show(form);
    HWND hwnd = combo->Handle();
    ASSERT_EQ(SendMessage(hwnd, CB_GETCOUNT, 0, 0), 3);
    char text[64] = {};
    COMBOBOXEXITEMA item = WindowComboExItem(hwnd, 1, text, sizeof text);
    EXPECT_STREQ(text, "Computer");
    EXPECT_EQ(item.iImage, 1);
    EXPECT_EQ(item.iSelectedImage, 2);
    EXPECT_EQ(item.iOverlay, 1);  // the window counts overlays from one
    EXPECT_EQ(item.iIndent, 1);
    EXPECT_EQ(item.lParam, reinterpret_cast<LPARAM>(&folderData));
    // Without a selected picture of its own an item keeps its picture when selected.
    item = WindowComboExItem(hwnd, 0, text, sizeof text);
    EXPECT_EQ(item.iSelectedImage, 0);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessage(hwnd, CBEM_GETIMAGELIST, 0, 0)), images->Handle());

    // Changes after the window was made go to it; a new window gets the items again.
    combo->ItemsEx().Items(2)->SetCaption("My Documents");
    combo->ItemsEx().Items(2)->SetIndent(3);
    item = WindowComboExItem(hwnd, 2, text, sizeof text);
    EXPECT_STREQ(text, "My Documents");
    EXPECT_EQ(item.iIndent, 3);
    combo->SetItemIndex(2);
    combo->SetStyle(csExDropDown);
    ASSERT_EQ(SendMessage(combo->Handle(), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_NE(combo->EditHandle(), nullptr);
    combo->ItemsEx().Delete(0);
    EXPECT_EQ(SendMessage(combo->Handle(), CB_GETCOUNT, 0, 0), 2);

    // A freed image list leaves the control and its window.
    delete images;
    EXPECT_EQ(combo->Images(), nullptr);
    EXPECT_EQ(SendMessage(combo->Handle(), CBEM_GETIMAGELIST, 0, 0), 0);
}

TEST_F(ComboBoxExTest, AChoiceFromTheKeyboardIsToldAndBecomesTheText) {
    MakeCombo(csExDropDownList);
    std::vector<std::string> told;
    combo->OnSelect = [&](TObject*) { told.push_back("select:" + combo->Text()); };
    combo->OnChange = [&](TObject*) { told.push_back("change"); };
    combo->SetItemIndex(0);
    Show(form);
    EXPECT_EQ(combo->Text(), "Desktop");
    combo->SetFocus();
    display.PressKey(VK_DOWN);
    display.PumpMessages();
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(told, (std::vector<std::string>{"select:Computer"}));
    // The inner combo's messages pass through the control's own procedure.
    EXPECT_GT(combo->innerComboMessages, 0);
}

TEST_F(ComboBoxExTest, TheFieldShowsTheSelectedPictureAndTheListIndents) {
    MakeCombo(csExDropDownList);
    combo->SetItemIndex(1);
    Show(form);
    combo->SetFocus();
    display.PumpMessages();
    WindowPixels pixels(form);
    if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
        EXPECT_TRUE(SavePng(pixels.Picture(), (std::filesystem::path(keep) / "extended-combo.png").string()));
    }
    // The field has no indent; the focused, highlighted item shows its selected picture (blue, 2)
    // at its left.
    int blueAt = -1;
    for (int x = 0; x < 40 && blueAt < 0; ++x)
        if (pixels.At(combo, x, combo->Height() / 2) == RGB(0x22, 0x44, 0xCC)) blueAt = x;
    EXPECT_GE(blueAt, 0);
    EXPECT_LT(blueAt, 8);

    // In the dropped list every item starts ten pixels further per indent step.
    combo->SetDroppedDown(true);
    display.PumpMessages();
    COMBOBOXINFO info;
    ASSERT_TRUE(GetComboBoxInfo(combo->ComboHandle(), &info));
    ASSERT_NE(info.hwndList, nullptr);
    HBITMAP screen = CaptureScreen();
    if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
        EXPECT_TRUE(SavePng(screen, (std::filesystem::path(keep) / "extended-combo-list.png").string()));
    }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, screen);
    RECT list;
    GetWindowRect(info.hwndList, &list);
    auto firstPictureColumn = [&](int row, COLORREF colour) {
        RECT itemRect{};
        SendMessage(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&itemRect));
        POINT middle{0, (itemRect.top + itemRect.bottom) / 2};
        ClientToScreen(info.hwndList, &middle);
        for (int x = list.left; x < list.right; ++x)
            if (GetPixel(dc, x, middle.y) == colour) return x - list.left;
        return -1;
    };
    const int desktop = firstPictureColumn(0, RGB(0xCC, 0x22, 0x22));
    const int documents = firstPictureColumn(2, RGB(0x22, 0x44, 0xCC));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(screen);
    ASSERT_GE(desktop, 0);
    EXPECT_EQ(documents - desktop, 20);
    combo->SetDroppedDown(false);
}

}  // namespace
}  // namespace parch
