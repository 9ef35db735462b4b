#pragma once
// Adapters of standard "button" windows: push buttons (TacBtnWnd, section "BUTTON"), check
// boxes and radio buttons (TacCheckBoxWnd, "CHECKBOX" with glyphs from "GLOBALINFO") and group
// boxes (TacGroupBoxWnd, "GROUPBOX"). Each paints the whole control into its cache and copies
// it to the window, in the states normal (0), hot (1) and pressed (2).
#include <string>

#include "skin/engine/sCommonData.h"
#include "skin/frames/acAdapterPaint.h"
#include "skin/frames/acSBUtils.h"

namespace parch {

class TacBtnWnd : public TacMainWnd {
public:
    TacBtnWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl = nullptr);
    ~TacBtnWnd() override;

    TsCommonData& SkinData() { return skinData_; }
    const std::string& Text() const { return text_; }
    // 2 pushed, 0 disabled, 1 focused, hovered or a default push button, else 0.
    int ButtonState() const;
    // Paints the button into the cache (exposed for the pixel tests).
    virtual void PrepareCache();
    // The rectangle the caption is written in.
    RECT CaptionRect();

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual void PaintText();
    virtual void PaintGlyph() {}
    virtual SIZE GlyphSize() { return SIZE{0, 0}; }
    virtual int MaxCaptionWidth();
    SIZE TextSize();
    // The font captions are written in: the control's, else the system's message font.
    TFont* CaptionFont();
    void PaintTo(HDC given);
    void Redraw(UINT flags);
    void TrackHover();
    // Runs the previous procedure with the window's own drawing switched off.
    LRESULT CallQuietly(UINT msg, WPARAM wParam, LPARAM lParam, bool viaBase);
    LRESULT MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) { return TacMainWnd::WndProc(msg, wParam, lParam); }

    TsCommonData skinData_{nullptr, true};
    std::string text_;
    TacSystemFont messageFont_{5};
};

class TacCheckBoxWnd : public TacBtnWnd {
public:
    TacCheckBoxWnd(HWND handle, TsSkinManager* manager, const std::string& section,
                   TWinControl* ownerControl = nullptr);
    ~TacCheckBoxWnd() override;
    bool OwnerDraw() const { return ownerDraw_; }
    // Whether the style makes a check box (else a radio button), by the bit tests buttons use.
    static bool IsCheckBoxStyle(DWORD style);
    void PrepareCache() override;
    // Where the glyph lies in the window.
    RECT GlyphRect();

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    const TsMaskData* GlyphMask(const char* name) const;
    const char* GlyphName() const;
    void FillOwnerDrawBackground(HDC dc);

    bool ownerDraw_ = false;
};

class TacGroupBoxWnd : public TacBtnWnd {
public:
    TacGroupBoxWnd(HWND handle, TsSkinManager* manager, const std::string& section,
                   TWinControl* ownerControl = nullptr);
    ~TacGroupBoxWnd() override;
    // The band the caption is written in, at the top of the frame.
    RECT CaptionArea();
    void PrepareCache() override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintGroup(HDC given);
};

}  // namespace parch
