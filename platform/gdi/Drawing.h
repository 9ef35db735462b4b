#pragma once
// Drawing calls: fills, frames, lines and shapes with the current pen and brush, pixels,
// focus rectangles, 3-D edges, frame controls and gradient fills. Coordinates are logical.

#include "platform/gdi/GdiTypes.h"

namespace parch {


int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL PolyPolygon(HDC dc, const POINT* points, const INT* counts, int polygonCount);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL PolylineTo(HDC dc, const POINT* points, DWORD count);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);
// Inverts every other pixel of the rectangle's outline, so a second call restores it.
BOOL DrawFocusRect(HDC dc, const RECT* rect);
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);
BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state);
BOOL GradientFill(HDC dc, const TRIVERTEX* vertices, ULONG vertexCount, void* mesh,
                  ULONG meshCount, DWORD mode);

// The colours of 3-D edges and frame controls; the window system passes its system colours.
struct ThreeDColors {
    COLORREF face = RGB(240, 240, 240);
    COLORREF shadow = RGB(160, 160, 160);
    COLORREF highlight = RGB(255, 255, 255);
    COLORREF light = RGB(227, 227, 227);
    COLORREF darkShadow = RGB(105, 105, 105);
    COLORREF window = RGB(255, 255, 255);
    COLORREF windowText = RGB(0, 0, 0);
    COLORREF grayText = RGB(109, 109, 109);
};
void SetThreeDColors(const ThreeDColors& colors);
ThreeDColors GetThreeDColors();

}  // namespace parch
