#pragma once
// TsStatusBar, the framework's status bar drawn in the skin: the bar's face from its section,
// each panel framed by the section's panel image or followed by a divider, panel texts in the
// section's font colours and the skin's size grip. Controls may be placed on it.

#include "framework/StatusBar.h"
#include "skin/controls/sPanel.h"

namespace parch {

class TsStatusBar : public TsSkinnedControl<TStatusBar> {
public:
    // The room the size grip takes at the right end of the bar.
    static constexpr int kGripRoom = 18;

    explicit TsStatusBar(TComponent* owner);

    // The bar from its cache into the DC (the window's own DC for nullptr).
    void PaintSkinned(HDC dc);
    // Rebuilds the cache when the background changed or the bar may be partly hidden.
    void PrepareCache();
    // The sum of the widths of the panels before index.
    int PanelLeft(int index);

protected:
    void WndProc(TMessage& message) override;
    void PaintWindow(HDC dc) override;
    void DrawPanel(TStatusPanel* panel, const RECT& rect) override;

private:
    bool NeedsRepaint();
    void UpdatePartlyVisible();
    void PaintPanels();
    void PaintPanel(TStatusPanel* panel, const std::string& text, RECT r, bool last);
    void PaintDivider(RECT r);
    void RunOwnerDraw(TStatusPanel* panel, RECT r);
    void WritePanelText(const std::string& text, RECT r, UINT flags);
    void PaintSizeGrip();
    void CopyCacheWithChildren(HDC dc);
    bool SkinCommand(TMessage& message);
    bool SkinnedMessage(TMessage& message);
    void PrintMessage(TMessage& message);
};

}  // namespace parch
