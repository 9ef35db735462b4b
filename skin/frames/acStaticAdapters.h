#pragma once
// Adapters of the small standard windows of dialogs: static text (TacStaticWnd), link windows
// (TacLinkWnd, underlined, anchor tags dropped), tool bars with skinned buttons
// (TacToolBarWnd), size grips (TacSizerWnd) and nested pages that show their parent's
// background (TacTransPanelWnd).
#include <functional>
#include <string>

#include "skin/engine/sCommonData.h"
#include "skin/frames/acAdapterPaint.h"
#include "skin/frames/acSBUtils.h"

namespace parch {

// The adapters' shared part: a skin data of their own, attached once fully built.
class TacPaintedWnd : public TacMainWnd {
public:
    TacPaintedWnd(HWND handle, TsSkinManager* manager, const std::string& section, const char* defaultSection,
                  TWinControl* ownerControl);
    ~TacPaintedWnd() override;
    TsCommonData& SkinData() { return skinData_; }
    const std::string& Text() const { return text_; }

protected:
    bool Skinned() const;
    void RedrawNow();

    TsCommonData skinData_{nullptr, true};
    std::string text_;
};

class TacStaticWnd : public TacPaintedWnd {
public:
    TacStaticWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl = nullptr);
    // Statics with a sunken edge keep the system's look.
    bool KeepsSystemLook() const;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT StaticWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    void PaintToDC(HDC given);
    // Writes the face's text into the cache; false leaves the window's pixels as they are.
    virtual bool DrawFace();

    TacSystemFont messageFont_{5};
};

// The text with every "<A>", then every "</A>" removed (exactly these spellings).
std::string StripLinkTags(const std::string& text);

class TacLinkWnd : public TacStaticWnd {
public:
    TacLinkWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl = nullptr);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool DrawFace() override;

private:
    TacSystemFont linkFont_{5, true};
};

// How a tool-bar caption is laid out: on two lines when the first is not empty.
struct TacToolCaption {
    std::string first;
    std::string second;
    bool TwoLines() const { return !first.empty() && !second.empty(); }
};
// Splits a caption at the blanks: with n words, the first i whose preceding text is wider
// than maxWidth (or i = n) puts the words before i - 1 on the first line and the rest on the
// second.
TacToolCaption SplitToolCaption(const std::string& text, int maxWidth,
                                const std::function<int(const std::string&)>& widthOf);

class TacToolBarWnd : public TacPaintedWnd {
public:
    TacToolBarWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl = nullptr);
    // Paints the tool bar's client into the DC (exposed for the pixel tests).
    void PaintClient(HDC dc);
    // The state a button is painted in: 0 disabled, 2 pressed, 1 under the cursor, else 0.
    int ButtonPaintState(int index);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void PrepareCache();
    bool PaintingWaits();
    void PaintButton(TBitmap& target, int index);

    RECT clientRect_{};
    int borderWidth_ = 0;
};

class TacSizerWnd : public TacPaintedWnd {
public:
    TacSizerWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl = nullptr);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
};

class TacTransPanelWnd : public TacPaintedWnd {
public:
    TacTransPanelWnd(HWND handle, TsSkinManager* manager, const std::string& section,
                     TWinControl* ownerControl = nullptr);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual void PaintBackground(HDC given);
};

}  // namespace parch
