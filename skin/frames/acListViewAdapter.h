#pragma once
// The adapter of a standard list view: the edit adapter's frame and scroll bars, the list's
// colours from the skin, the report view's column header painted from the skin with hot and
// pressed columns and sort arrows, and thumb drags turned into the list's own pixel scrolling.
#include <string>

#include "skin/frames/acEditAdapters.h"

namespace parch {

class TacListViewWnd : public TacEditWnd {
public:
    TacListViewWnd(HWND handle, TsSkinManager* manager, const std::string& section, bool repaint,
                   TWinControl* ownerControl = nullptr);
    ~TacListViewWnd() override;

    // 0 icon, 1 small icon, 2 list, 3 report.
    int GetViewStyle() const;
    HWND Header() const { return header_; }
    int PressedColumn() const { return pressedColumn_; }
    int HoverColumn() const { return hoverColumn_; }
    // The header item under a screen point, -2 when none.
    int ColumnAt(POINT screen) const;
    // Paints the header into the DC (the header's own when null).
    void PaintHeader(HDC dc);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void SaveOwnColors() override;
    void RestoreOwnColors() override;
    void SetSkinColors() override;

private:
    static LRESULT HeaderSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR refData);
    LRESULT HeaderProc(UINT msg, WPARAM wParam, LPARAM lParam);
    void AttachHeader(HWND header);
    void DetachHeader();
    RECT PositionRect(int position) const;
    void DrawHeaderItem(HDC dc, int index, RECT r);
    int ItemSize(bool width) const;
    LRESULT OnThumbTrack(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND header_ = nullptr;
    int pressedColumn_ = -1;
    int hoverColumn_ = -1;
    int lineHeight_ = 0;
    bool headerButtonDown_ = false;
    bool headerLocked_ = false;  // the header stays unskinned once the skin was removed
    COLORREF savedBk_ = 0;
    COLORREF savedText_ = 0;
};

}  // namespace parch
