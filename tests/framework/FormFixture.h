#pragma once
// A headless screen with an application, forms of a given client size, children placed on
// them, and the pixels of a shown form as the screen has them.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/Compositor.h"
#include "platform/win/WinApi.h"

namespace parch {

class FormFixture : public ::testing::Test {
protected:
    HeadlessDisplay display;
    TApplication app;

    TForm* MakeForm(int clientWidth, int clientHeight) {
        auto* form = new TForm(&app);
        form->SetBounds(100, 100, 10, 10);
        form->SetClientSize(clientWidth, clientHeight);
        return form;
    }
    template <class T>
    T* Child(TWinControl* parent, int left, int top, int width, int height) {
        auto* c = new T(parent->ParentForm() ? static_cast<TComponent*>(parent->ParentForm()) : parent);
        c->SetParent(parent);
        c->SetBounds(left, top, width, height);
        return c;
    }
    void Show(TForm* form) {
        form->Show();
        display.PumpMessages();
    }
    POINT At(TControl* control, int x, int y) { return control->ClientToScreen({x, y}); }
    // A drag in steps, each handled before the next: the press's capture decides where the
    // moves go.
    void Drag(POINT from, POINT to, int steps) {
        display.MoveMouse(from.x, from.y);
        display.MouseDown();
        display.PumpMessages();
        for (int i = 1; i <= steps; ++i) {
            display.MoveMouse(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
            display.PumpMessages();
        }
        display.MouseUp();
        display.PumpMessages();
    }
};

// The picture of a shown top-level window, read at client points of any control on it.
class WindowPixels {
public:
    explicit WindowPixels(TWinControl* window) : picture_(CaptureWindow(window->Handle())) {
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, picture_);
        GetWindowRect(window->Handle(), &rect_);
    }
    ~WindowPixels() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(picture_);
    }
    WindowPixels(const WindowPixels&) = delete;
    WindowPixels& operator=(const WindowPixels&) = delete;

    HBITMAP Picture() const { return picture_; }
    // The colour at a client point of control.
    COLORREF At(const TControl* control, int x, int y) const {
        POINT p = control->ClientToScreen({x, y});
        return GetPixel(dc_, p.x - rect_.left, p.y - rect_.top);
    }
    // The colour at a point of a windowed control's whole window (frame included).
    COLORREF AtWindow(TWinControl* control, int x, int y) const {
        RECT r;
        GetWindowRect(control->Handle(), &r);
        return GetPixel(dc_, r.left - rect_.left + x, r.top - rect_.top + y);
    }

private:
    HBITMAP picture_;
    HDC dc_;
    HGDIOBJ old_;
    RECT rect_;
};

}  // namespace parch
