#pragma once
// Adapters of standard combo boxes: TacComboBoxWnd draws the combo's frame and its drop-down
// button with the skin's arrow; TacComboListWnd gives the combo's list window a plain frame,
// the skin's background colour and skinned scroll bars.
#include <memory>
#include <string>

#include "skin/frames/acEditAdapters.h"

namespace parch {

// Whether a combo's list is dropped down at the moment (over all combos).
bool ComboListDropped();

class TacComboListWnd : public TacEditWnd {
public:
    // simpleStyle: the list of a CBS_SIMPLE combo, shown below its edit at all times.
    TacComboListWnd(HWND listHandle, bool simpleStyle, bool repaint, const std::string& section,
                    TsSkinManager* manager);
    ~TacComboListWnd() override;
    bool Showed() const { return showed_; }
    bool SimpleStyle() const { return simpleStyle_; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void PrepareListCache();

    bool showed_ = false;
    bool simpleStyle_ = false;
};

class TacComboBoxWnd : public TacEditWnd {
public:
    TacComboBoxWnd(HWND handle, TsSkinManager* manager, const std::string& section, bool repaint,
                   TWinControl* ownerControl = nullptr);
    ~TacComboBoxWnd() override;

    // The drop-down button in window coordinates; no width for a CBS_SIMPLE combo.
    RECT GetButtonRect() const;
    // 2 while the list shows, 1 focused or hot, else 0.
    int ButtonState() const;
    HWND ListHandle() const { return listHandle_; }
    TacComboListWnd* ListAdapter() const { return listAdapter_.get(); }
    // Paints the button into a DC of the window (exposed for the pixel tests).
    void PaintButton(HDC dc);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnCtlColorListBox(WPARAM wParam, LPARAM lParam);
    void DropListAdapter();
    void RepaintButton();

    HWND listHandle_ = nullptr;
    std::unique_ptr<TacComboListWnd> listAdapter_;
    // The list's background brush: made once, deleted with the adapter.
    HBRUSH listBrush_ = nullptr;
    bool opening_ = false;
};

}  // namespace parch
