#include "framework/Screen.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "base/Lists.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Fonts.h"
#include "platform/os/FontFamilies.h"
#include "platform/win/WinApi.h"

namespace parch {

TScreen* Screen = nullptr;

namespace {

struct SystemCursor {
    TCursor index;
    const char* name;
};

// The framework's own cursor pictures are not available here: each stands in with the system
// cursor closest to it.
const SystemCursor kSystemCursors[] = {
    {crDefault, IDC_ARROW},      {crArrow, IDC_ARROW},      {crCross, IDC_CROSS},
    {crIBeam, IDC_IBEAM},        {crSizeNESW, IDC_SIZENESW}, {crSizeNS, IDC_SIZENS},
    {crSizeNWSE, IDC_SIZENWSE},  {crSizeWE, IDC_SIZEWE},    {crUpArrow, IDC_UPARROW},
    {crHourGlass, IDC_WAIT},     {crDrag, IDC_ARROW},       {crNoDrop, IDC_NO},
    {crHSplit, IDC_SIZEWE},      {crVSplit, IDC_SIZENS},    {crMultiDrag, IDC_ARROW},
    {crSQLWait, IDC_WAIT},       {crNo, IDC_NO},            {crAppStart, IDC_APPSTARTING},
    {crHelp, IDC_HELP},          {crHandPoint, IDC_HAND},   {crSizeAll, IDC_SIZEALL},
};

}  // namespace

TScreen::TScreen(TComponent* owner) : TComponent(owner) {
    if (HDC dc = CreateCompatibleDC(nullptr)) {
        pixelsPerInch_ = GetDeviceCaps(dc, LOGPIXELSY);
        DeleteDC(dc);
    }
    for (const SystemCursor& c : kSystemCursors) cursors_[c.index] = LoadCursor(nullptr, c.name);
    cursors_[crNone] = nullptr;
    LoadSystemFonts();
    Screen = this;
}

TScreen::~TScreen() {
    if (Screen == this) Screen = nullptr;
}

int TScreen::Width() const {
    return GetSystemMetrics(SM_CXSCREEN);
}

int TScreen::Height() const {
    return GetSystemMetrics(SM_CYSCREEN);
}

RECT TScreen::WorkAreaRect() const {
    RECT area;
    SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

int TScreen::WorkAreaWidth() const {
    RECT area = WorkAreaRect();
    return area.right - area.left;
}

int TScreen::WorkAreaHeight() const {
    RECT area = WorkAreaRect();
    return area.bottom - area.top;
}

void TScreen::SetCursor(TCursor cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    if (cursor == crDefault) {
        // Let the window under the mouse choose its cursor again, as a mouse move would.
        POINT pt;
        GetCursorPos(&pt);
        HWND wnd = WindowFromPoint(pt);
        if (wnd && GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId()) {
            LRESULT hit = SendMessage(wnd, WM_NCHITTEST, 0, MAKELONG(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
            SendMessage(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd),
                        MAKELONG(static_cast<WORD>(hit), static_cast<WORD>(WM_MOUSEMOVE)));
            return;
        }
    }
    ::parch::SetCursor(Cursors(cursor));
}

HCURSOR TScreen::Cursors(TCursor index) const {
    auto it = cursors_.find(index);
    return it != cursors_.end() ? it->second : cursors_.at(crDefault);
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor) {
    // The default cursor cannot be taken away, only replaced.
    if (index == crDefault && !cursor) cursor = LoadCursor(nullptr, IDC_ARROW);
    cursors_[index] = cursor;
}

TStrings& TScreen::Fonts() {
    if (!fonts_) {
        fonts_ = std::make_unique<TStringList>();
        fonts_->SetSorted(true);
        for (const std::string& family : InstalledFontFamilies(DEFAULT_CHARSET))
            if (!family.empty() && family[0] != '@') fonts_->Add(family);
    }
    return *fonts_;
}

TCustomForm* TScreen::Forms(int index) const {
    if (index < 0 || index >= FormCount()) ListIndexError(index);
    return forms_[static_cast<std::size_t>(index)];
}

void TScreen::AddForm(TCustomForm* form) {
    if (form && std::find(forms_.begin(), forms_.end(), form) == forms_.end()) forms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
    auto it = std::find(forms_.begin(), forms_.end(), form);
    if (it == forms_.end()) return;
    forms_.erase(it);
    if (activeForm_ == form) SetActiveForm(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* form) {
    if (form == activeForm_) return;
    activeForm_ = form;
    if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::LoadSystemFonts() {
    NONCLIENTMETRICS metrics;
    menuFont_ = std::make_unique<TFont>();
    hintFont_ = std::make_unique<TFont>();
    if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        menuFont_->SetHandle(CreateFontIndirect(&metrics.lfMenuFont));
        hintFont_->SetHandle(CreateFontIndirect(&metrics.lfStatusFont));
    }
    menuFont_->SetColor(clMenuText);
    hintFont_->SetColor(clInfoText);
}

}  // namespace parch
