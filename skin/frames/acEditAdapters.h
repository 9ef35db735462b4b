#pragma once
// Adapters of windows that paint their own client area and leave the frame and the standard
// scroll bars to the skin: edits, list boxes, memo-like controls (TacEditWnd), and tree views,
// whose background the adapter fills in the skin's colour (TacTreeViewWnd).
#include <memory>
#include <string>

#include "framework/graphics/Graphics.h"
#include "skin/engine/sCommonData.h"
#include "skin/frames/acSBUtils.h"

namespace parch {

class TacEditWnd : public TacScrollWnd {
public:
    // An empty section means "EDIT". With repaint the frame is recalculated and painted at once.
    TacEditWnd(HWND handle, TsSkinManager* manager, const std::string& section, bool repaint,
               TWinControl* ownerControl = nullptr);
    ~TacEditWnd() override;

    TsCommonData& SkinData() { return skinData_; }
    // The colour of a window without control (the section's colour, the system window colour
    // in dialog mode) and its frame's colour (the skin's border colour; 0 unskinned).
    TColor Color() const { return color_; }
    TColor EdgeColor() const { return edgeColor_; }
    bool ColorsApplied() const { return colorsApplied_; }
    // Dialogs paint their own controls' faces: a plain frame is drawn instead of the section.
    bool DialogMode = false;

    // Width of the frame around the client area (the client's top in window coordinates).
    int FrameWidth() const;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Slots 1 to 3: the window's own colours remembered, given back, and the skin's applied.
    virtual void SaveOwnColors();
    virtual void RestoreOwnColors();
    virtual void SetSkinColors();
    // The state the frame is painted in: hot while focused or under the mouse.
    int FrameState() const;
    // Paints the frame strips from the cache and the scroll bars into a window DC.
    void PaintFrame(HDC windowDc);
    // The handling every descendant passes through before its own.
    LRESULT EditWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Forces the colours on the next paint.
    void ResetColors() { colorsApplied_ = false; }
    // Undoes the colours and the frame once, before the adapter leaves; descendants call it
    // from their own destructors while their overrides still stand.
    void LeaveWindow();

    TsCommonData skinData_{nullptr, true};

private:
    LRESULT OnSkinCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnPrint(WPARAM wParam, LPARAM lParam);

    TColor color_ = clWindow;
    TColor edgeColor_ = static_cast<TColor>(0);
    TColor savedColor_ = clWindow;
    TColor savedFontColor_ = clWindowText;
    bool colorsApplied_ = false;
    bool inSetSkinColors_ = false;
    bool left_ = false;
};

class TacTreeViewWnd : public TacEditWnd {
public:
    TacTreeViewWnd(HWND handle, TsSkinManager* manager, const std::string& section, bool repaint,
                   TWinControl* ownerControl = nullptr);
    ~TacTreeViewWnd() override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void RestoreOwnColors() override;
    void SetSkinColors() override;

private:
    // The colour the tree's background takes in the skin.
    TColor SkinBackground() const;
};

}  // namespace parch
