#pragma once
// TStatusBar over the "msctls_statusbar32" window class: a row of panels (TStatusPanels), each
// with a text or drawn by OnDrawPanel, or in simple mode one text over the whole bar. It may hold
// child controls of its own (a gauge, labels).

#include <memory>
#include <string>

#include "base/Collections.h"
#include "framework/WinControls.h"
#include "framework/graphics/Canvas.h"

namespace parch {

class TStatusBar;

enum class TStatusPanelStyle { psText, psOwnerDraw };
using enum TStatusPanelStyle;
enum class TStatusPanelBevel { pbNone, pbLowered, pbRaised };
using enum TStatusPanelBevel;

class TStatusPanel : public TCollectionItem {
public:
    explicit TStatusPanel(TCollection* collection);

    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    int Width() const { return width_; }
    void SetWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TStatusPanelBevel value);
    TStatusPanelStyle Style() const { return style_; }
    void SetStyle(TStatusPanelStyle value);
    void Assign(const TPersistent* source) override;

private:
    std::string text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    TStatusPanelBevel bevel_ = pbLowered;
    TStatusPanelStyle style_ = psText;
};

class TStatusPanels : public TCollection {
public:
    explicit TStatusPanels(TStatusBar* statusBar);
    // The bar hears of a new panel once it is whole.
    TStatusPanel* Add();
    TStatusPanel* Insert(int index);
    TStatusPanel* Items(int index) const { return static_cast<TStatusPanel*>(TCollection::Items(index)); }

protected:
    void Update(TCollectionItem* item) override;

private:
    TStatusBar* statusBar_;
};

using TDrawPanelEvent = std::function<void(TStatusBar* statusBar, TStatusPanel* panel, const RECT& rect)>;

class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;

    TStatusPanels& Panels() { return *panels_; }
    // One text over the whole bar instead of the panels.
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool value);
    const std::string& SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string& value);
    // The grip in the bottom-right corner that sizes the form.
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool value);
    // The rectangle of a panel as the window lays it out (empty for none).
    RECT PanelRect(int index);
    TCanvas& Canvas() { return *canvas_; }
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TDrawPanelEvent OnDrawPanel;

protected:
    virtual void DrawPanel(TStatusPanel* panel, const RECT& rect);
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& message) override;

private:
    friend class TStatusPanels;
    // The window takes the panels' widths, then their texts and kinds.
    void UpdatePanels();
    void UpdatePanel(int index);
    void UpdateSimpleText();
    void DrawItemMessage(TMessage& message);

    std::unique_ptr<TStatusPanels> panels_;
    std::unique_ptr<TCanvas> canvas_;
    bool simplePanel_ = false;
    std::string simpleText_;
    bool sizeGrip_ = true;
};

}  // namespace parch
