#include "skin/engine/sAnimations.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "framework/Application.h"
#include "framework/CustomControls.h"
#include "framework/WinControls.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/Clock.h"
#include "platform/win/Layered.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "platform/win/WinMessages.h"
#include "skin/engine/acThdTimer.h"
#include "skin/engine/acWindowHelpers.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinnedForms.h"

namespace parch {

namespace {

constexpr int kFrameDelay = 12;

// Sets a flag for the scope's life; an exception passing through clears it too.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

void ClearBitmap(TBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y)
        std::fill_n(reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y)), bitmap.Width(), 0u);
}

// The fading snapshot of a hidden form, one frame per tick.
class TacHideTimer : public TacThreadedTimer {
public:
    explicit TacHideTimer(TComponent* owner) : TacThreadedTimer(owner, false) {}
    ~TacHideTimer() override;

    void Start(std::unique_ptr<TForm> helper, std::unique_ptr<TBitmap> snapshot, int steps, TacAnimType type,
               std::uint8_t startAlpha) {
        helper_ = std::move(helper);
        snapshot_ = std::move(snapshot);
        type_ = type;
        steps_ = steps;
        index_ = 0;
        alpha_ = startAlpha;
        current_ = startAlpha;
        alphaStep_ = static_cast<double>(startAlpha) / steps;
        int w = snapshot_->Width();
        int h = snapshot_->Height();
        destination_ = NewPf32Bitmap(w, h);
        ClearBitmap(*destination_);
        if (type_ == atAero) {
            dx_ = -static_cast<double>(w) / (8.0 * steps);
            dy_ = -static_cast<double>(h) / (8.0 * steps);
            rect_[0] = rect_[1] = 0;
            rect_[2] = w;
            rect_[3] = h;
        }
        HWND window = helper_->Handle();
        SetWindowLongPtr(window, GWL_EXSTYLE,
                         GetWindowLongPtr(window, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE);
        SetLayeredWindowImage(window, snapshot_.get(), alpha_);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        SetWindowPos(window, HWND_TOPMOST, helper_->Left(), helper_->Top(), w, h,
                     SWP_NOOWNERZORDER | SWP_NOCOPYBITS | SWP_NOACTIVATE | SWP_NOREDRAW);
        if (Application != nullptr && Application->Terminated()) {
            while (helper_ != nullptr) {
                Step();
                Sleep(kFrameDelay);
            }
            return;
        }
        SetInterval(kFrameDelay);
        SetOnTimer([this](TObject*) { Step(); });
        Step();
        SetEnabled(true);
    }

    void Stop() {
        SetEnabled(false);
        SetOnTimer(nullptr);
        helper_.reset();
        snapshot_.reset();
        destination_.reset();
    }

    bool Running() const { return helper_ != nullptr; }
    std::uint8_t Alpha() const { return alpha_; }

private:
    void Step() {
        if (helper_ == nullptr) return;
        if (index_ > steps_) {
            Stop();
            return;
        }
        current_ = std::max(0.0, current_ - alphaStep_);
        alpha_ = static_cast<std::uint8_t>(std::lround(current_));
        DrawFrame();
        SetLayeredWindowImage(helper_->Handle(), destination_.get(), alpha_);
        if (type_ == atAero) {
            rect_[0] -= dx_;
            rect_[1] -= dy_;
            rect_[2] += dx_;
            rect_[3] += dy_;
        }
        ++index_;
    }

    void DrawFrame() {
        HDC dc = destination_->Canvas().Handle();
        HDC source = snapshot_->Canvas().Handle();
        int w = snapshot_->Width();
        int h = snapshot_->Height();
        if (type_ != atAero) {
            if (index_ == 0) BitBlt(dc, 0, 0, w, h, source, 0, 0, SRCCOPY);
            return;
        }
        ClearBitmap(*destination_);
        int left = static_cast<int>(std::lround(rect_[0]));
        int top = static_cast<int>(std::lround(rect_[1]));
        if (left < 0 || top < 0) {
            BitBlt(dc, 0, 0, w, h, source, 0, 0, SRCCOPY);
            return;
        }
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, left, top, static_cast<int>(std::lround(rect_[2])) - left,
                   static_cast<int>(std::lround(rect_[3])) - top, source, 0, 0, w, h, SRCCOPY);
    }

    std::unique_ptr<TForm> helper_;
    std::unique_ptr<TBitmap> snapshot_;
    std::unique_ptr<TBitmap> destination_;
    TacAnimType type_ = atFading;
    int steps_ = 0;
    int index_ = 0;
    std::uint8_t alpha_ = 0;
    double current_ = 0;
    double alphaStep_ = 0;
    double dx_ = 0;
    double dy_ = 0;
    double rect_[4] = {0, 0, 0, 0};
};

TacHideTimer* hideTimer = nullptr;

TacHideTimer::~TacHideTimer() {
    if (hideTimer == this) hideTimer = nullptr;
}

// Owned by the application once made, and kept as long as the application lives.
TacHideTimer& HideTimer() {
    if (hideTimer == nullptr) hideTimer = new TacHideTimer(Application);
    return *hideTimer;
}

}  // namespace

void StartHideAnimation(std::unique_ptr<TForm> helper, std::unique_ptr<TBitmap> snapshot, int time, TacAnimType type,
                        std::uint8_t startAlpha) {
    if (hideTimer != nullptr) hideTimer->Stop();
    int steps = time / kFrameDelay;
    if (steps == 0 || helper == nullptr || snapshot == nullptr) return;
    HideTimer().Start(std::move(helper), std::move(snapshot), steps, type, startAlpha);
}

bool HideAnimationRunning() { return hideTimer != nullptr && hideTimer->Running(); }
std::uint8_t HideAnimationAlpha() { return hideTimer != nullptr ? hideTimer->Alpha() : 0; }

// ----- control changes -----

namespace {

// The window that holds a control's old picture while it changes.
class TOutputWindow : public TCustomControl {
public:
    explicit TOutputWindow(TComponent* owner) : TCustomControl(owner) {
        Tag = -98;
        SetVisible(false);
        SetText("acOutputWindow");
        SetColor(static_cast<TColor>(TransparentKey));
        TWndMethod inherited = WindowProc;
        WindowProc = [inherited](TMessage& message) {
            if (message.Msg == WM_ERASEBKGND) {
                message.Result = 1;
                return;
            }
            if (message.Msg == WM_NCPAINT) {
                message.Result = 0;
                return;
            }
            inherited(message);
        };
    }
};

// The snapshot pair of the change in progress.
std::unique_ptr<TBitmap> SnapshotBitmap;
TOutputWindow* SnapshotWindow = nullptr;

void FreeSnapshot() {
    delete SnapshotWindow;
    SnapshotWindow = nullptr;
    SnapshotBitmap.reset();
}

}  // namespace

void CoverControlWithSnapshot(TWinControl& control) {
    if (SnapshotBitmap == nullptr) {
        SnapshotBitmap = NewPf32Bitmap(std::max(control.Width(), 0), std::max(control.Height(), 0));
        RECT bounds{};
        GetWindowRect(control.Handle(), &bounds);
        HDC screen = GetDC(nullptr);
        BitBlt(SnapshotBitmap->Canvas().Handle(), 0, 0, control.Width(), control.Height(), screen, bounds.left,
               bounds.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    }
    if (SnapshotWindow == nullptr) SnapshotWindow = new TOutputWindow(&control);
    if (control.Parent() != nullptr) {
        SnapshotWindow->SetParent(control.Parent());
        SnapshotWindow->SetBoundsRect(control.BoundsRect());
        ShowWindow(SnapshotWindow->Handle(), SW_SHOWNA);
        SetWindowPos(SnapshotWindow->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        RECT bounds{};
        GetWindowRect(control.Handle(), &bounds);
        SnapshotWindow->SetBoundsRect(bounds);
        SetWindowPos(SnapshotWindow->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    HDC windowDC = GetWindowDC(SnapshotWindow->Handle());
    BitBlt(windowDC, 0, 0, control.Width(), control.Height(), SnapshotBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
    ReleaseDC(SnapshotWindow->Handle(), windowDC);
}

std::vector<int> ControlChangeWeights(int time) {
    int steps = time / kFrameDelay;
    // Without a step the new picture is drawn at once: no cross-fade frames.
    if (steps <= 0) return {};
    std::vector<int> weights;
    int step = 255 / steps;
    for (int i = 0, c = 255; i <= steps; ++i, c -= step) weights.push_back(std::max(c, 0));
    return weights;
}

void AnimateControlChange(TWinControl& control, int time, std::uint8_t /*finalAlpha*/, TacAnimType /*type*/) {
    FlagScope animating(AnimationInProgress);
    if (SnapshotWindow == nullptr) CoverControlWithSnapshot(control);
    if (SnapshotWindow == nullptr) return;
    struct SnapshotScope {
        ~SnapshotScope() { FreeSnapshot(); }
    } freeSnapshotAtEnd;
    int w = std::max(control.Width(), 0);
    int h = std::max(control.Height(), 0);
    auto fresh = NewPf32Bitmap(w, h);
    PaintControlToBitmap(*fresh, control, 0, 0, nullptr);
    auto work = NewPf32Bitmap(w, h);
    HDC windowDC = GetWindowDC(SnapshotWindow->Handle());
    std::vector<int> weights = ControlChangeWeights(time);
    for (size_t i = 0; i < weights.size(); ++i) {
        MixBitmaps(*work, *SnapshotBitmap, *fresh, nullptr, weights[i]);
        BitBlt(windowDC, 0, 0, w, h, work->Canvas().Handle(), 0, 0, SRCCOPY);
        if (i + 1 < weights.size()) Sleep(kFrameDelay);
    }
    BitBlt(windowDC, 0, 0, w, h, fresh->Canvas().Handle(), 0, 0, SRCCOPY);
    ReleaseDC(SnapshotWindow->Handle(), windowDC);
    AnimationInProgress = false;
    if (control.Visible() && control.HandleAllocated()) {
        SendMessage(control.Handle(), WM_SETREDRAW, 1, 0);
        RedrawWindow(control.Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        SetWindowPos(SnapshotWindow->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    }
}

}  // namespace parch
