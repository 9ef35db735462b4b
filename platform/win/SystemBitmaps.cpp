#include "platform/win/SystemBitmaps.h"

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/ButtonClass.h"

namespace parch {

namespace systembitmaps {

constexpr int kColumns = 4;
constexpr int kRows = 3;

UINT CellState(int row, int column) {
    static constexpr UINT kRowKinds[kRows] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
    static constexpr UINT kColumnStates[kColumns] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
    return kRowKinds[row] | kColumnStates[column];
}

HBITMAP CheckBoxCells() {
    HBITMAP bitmap = CreateBitmap(kColumns * kCheckGlyphSize, kRows * kCheckGlyphSize, 1, 32, nullptr);
    HDC dc = bitmap ? CreateCompatibleDC(nullptr) : nullptr;
    if (!dc) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    // The round radio cells leave their corners in the face colour.
    const RECT all{0, 0, kColumns * kCheckGlyphSize, kRows * kCheckGlyphSize};
    FillRect(dc, &all, GetSysColorBrush(COLOR_3DFACE));
    for (int row = 0; row < kRows; ++row)
        for (int column = 0; column < kColumns; ++column) {
            RECT cell{column * kCheckGlyphSize, row * kCheckGlyphSize, (column + 1) * kCheckGlyphSize,
                      (row + 1) * kCheckGlyphSize};
            DrawFrameControl(dc, &cell, DFC_BUTTON, CellState(row, column));
        }
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

}  // namespace systembitmaps

HBITMAP LoadBitmap(HINSTANCE instance, const char* name) {
    if (instance || !IS_INTRESOURCE(name)) return nullptr;
    switch (static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name))) {
        case OBM_CHECKBOXES: return systembitmaps::CheckBoxCells();
        default: return nullptr;
    }
}

}  // namespace parch
