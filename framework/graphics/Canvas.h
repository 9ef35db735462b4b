#pragma once
// TCanvas: drawing on a device context with the framework's font, pen and brush. The tools are
// selected into the context lazily, before the first operation that needs them after a change.

#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "framework/graphics/Graphics.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class TGraphic;

class TCanvas {
public:
    TCanvas();
    virtual ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The context with the tools selected (created first by canvases that make their own).
    HDC Handle();
    // Draws on a context owned by someone else from now on; nullptr lets it go, selecting the
    // stock objects back so the tools can be freed.
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return handle_ != nullptr; }

    TFont& Font() { return *font_; }
    TPen& Pen() { return *pen_; }
    TBrush& Brush() { return *brush_; }
    void SetFont(const TFont& font) { font_->Assign(font); }
    void SetPen(const TPen& pen) { pen_->Assign(pen); }
    void SetBrush(const TBrush& brush) { brush_->Assign(brush); }

    // The raster operation of CopyRect and of bitmaps drawn on this canvas.
    DWORD CopyMode = SRCCOPY;

    POINT PenPos();
    void SetPenPos(POINT position) { MoveTo(position.x, position.y); }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);

    void FillRect(const RECT& rect);
    void FrameRect(const RECT& rect);
    void DrawFocusRect(const RECT& rect);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const RECT& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    void Ellipse(int left, int top, int right, int bottom);
    void Ellipse(const RECT& rect) { Ellipse(rect.left, rect.top, rect.right, rect.bottom); }
    void Polygon(std::span<const POINT> points);
    void Polyline(std::span<const POINT> points);

    // Text in the font's colour; the background is filled in the brush colour unless the
    // brush is clear. TextOut moves the pen position to the end of the text.
    void TextOut(int x, int y, const std::string& text);
    // Text at (x, y) clipped to rect.
    void TextRect(const RECT& rect, int x, int y, const std::string& text);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }

    // The picture in its own size at (x, y), or stretched into rect.
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const RECT& rect, TGraphic* graphic);
    // Copies (stretching) source's sourceRect into destRect with CopyMode.
    void CopyRect(const RECT& destRect, TCanvas& source, const RECT& sourceRect);

    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);
    RECT ClipRect();

    // Serialises drawing from several threads; recursive.
    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return lockCount_; }

    // Selects the stock objects back; the tools are selected again on next use.
    void Refresh();

    TChangeEvent OnChange;
    TChangeEvent OnChanging;

protected:
    // Canvases that make their own context create it here (calling SetHandle).
    virtual void CreateHandle() {}
    void Changing();
    void Changed();

private:
    enum StateBit : unsigned { kHandleValid = 1, kFontValid = 2, kPenValid = 4, kBrushValid = 8 };
    void RequiredState(unsigned required);
    void DeselectHandles();

    HDC handle_ = nullptr;
    unsigned state_ = 0;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    std::recursive_mutex lock_;
    int lockCount_ = 0;
};

}  // namespace parch
