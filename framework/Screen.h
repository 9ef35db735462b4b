#pragma once
// The screen as the program sees it: resolution, size and work area, the mouse cursor and the
// table of cursors, the installed fonts and the fonts of menus and hints, and the list of forms
// with the active one (kept by the forms, which register themselves here).

#include <map>
#include <memory>
#include <vector>

#include "base/Classes.h"
#include "framework/graphics/Graphics.h"
#include "base/StringList.h"
#include "platform/win/WinUser.h"

namespace parch {

class TCustomForm;

using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = crSizeAll;

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* owner = nullptr);
    ~TScreen() override;

    int PixelsPerInch() const { return pixelsPerInch_; }
    int Width() const;
    int Height() const;
    RECT WorkAreaRect() const;
    int WorkAreaLeft() const { return WorkAreaRect().left; }
    int WorkAreaTop() const { return WorkAreaRect().top; }
    int WorkAreaWidth() const;
    int WorkAreaHeight() const;

    // The cursor the whole program shows; crDefault lets each window choose again.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    // The cursor handle of a cursor number; an unknown number gives the default cursor.
    HCURSOR Cursors(TCursor index) const;
    void SetCursors(TCursor index, HCURSOR cursor);

    // The installed font families, sorted.
    TStrings& Fonts();
    TFont& MenuFont() { return *menuFont_; }
    TFont& HintFont() { return *hintFont_; }

    // Forms, in the order they registered; the forms keep this list.
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int index) const;
    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    TCustomForm* ActiveForm() const { return activeForm_; }
    void SetActiveForm(TCustomForm* form);
    TNotifyEvent OnActiveFormChange;

private:
    void LoadSystemFonts();

    int pixelsPerInch_ = 96;
    TCursor cursor_ = crDefault;
    std::map<TCursor, HCURSOR> cursors_;
    std::unique_ptr<TStringList> fonts_;
    std::unique_ptr<TFont> menuFont_;
    std::unique_ptr<TFont> hintFont_;
    std::vector<TCustomForm*> forms_;
    TCustomForm* activeForm_ = nullptr;
};

// The screen object of the program (the last one created that still lives).
extern TScreen* Screen;

}  // namespace parch
