#include "skin/controls/sFade.h"

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/WinControls.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/Painting.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sMaskData.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

bool FadingStopped = false;
int FadeTimerCount = 0;

namespace {

constexpr unsigned kFadeInterval = 10;

bool ControlGoing(const TControl* control) {
    return control == nullptr || (control->ComponentState() & csDestroying) != 0;
}

bool ApplicationTerminating() { return Application != nullptr && Application->Terminated(); }

int FadingIterationsOf(const TsCommonData& data) {
    const TsGeneralData* section = data.Section();
    return section != nullptr ? section->FadingIterations : 0;
}

bool FadingEnabledFor(const TsCommonData& data) {
    const TsGeneralData* section = data.Section();
    return section != nullptr && section->FadingEnabled;
}

HWND WindowOf(TControl* control) {
    auto* windowed = dynamic_cast<TWinControl*>(control);
    return windowed != nullptr && windowed->HandleAllocated() ? windowed->Handle() : nullptr;
}

std::unique_ptr<TBitmap> CopyOf(TBitmap& source) {
    auto copy = NewPf32Bitmap(source.Width(), source.Height());
    BitBlt(copy->Canvas().Handle(), 0, 0, source.Width(), source.Height(), source.Canvas().Handle(), 0, 0, SRCCOPY);
    return copy;
}

void EmptyTimerHandler(TObject*) {}

}  // namespace

bool AnimatEventAllowed(TacAnimatEvent event, TacAnimatEvents events, TsSkinManager* manager) {
    if ((events & (1u << event)) != 0) return true;
    if ((events & (1u << aeGlobalDef)) == 0 || event == aeGlobalDef) return false;
    if (manager == nullptr) manager = TsSkinManager::DefaultManager();
    if (manager == nullptr) return true;  // the default button events: all four
    return (manager->AnimEffects.Buttons.Events & BtnEventBit(static_cast<TacBtnEvent>(event))) != 0;
}

int FadeFrameAlpha(int level, int stepTotal) {
    if (stepTotal == 0) return 0;
    return ClampToByte(255 - (level * 256) / stepTotal);
}

// ----- TsFadeTimer -----

TsFadeTimer::TsFadeTimer(TComponent* owner) : TTimer(owner), StartImage(NewPf32Bitmap(0, 0)) {
    ++FadeTimerCount;
    SetDirection(0);
    SetOnTimer(EmptyTimerHandler);
}

TsFadeTimer::~TsFadeTimer() {
    destroying_ = true;
    SetEnabled(false);
    --FadeTimerCount;
}

void TsFadeTimer::SetDirection(std::uint8_t value) {
    direction_ = value;
    if (Level < 0) Level = 1;
    SetEnabled(value != 0);
}

void TsFadeTimer::PrepareFade(TsCommonData& data) {
    OwnerData = &data;
    if (data.BackgroundDirty && (data.CacheBitmap == nullptr || data.CacheBitmap->Empty()))
        SendSkinCommand(data.HostControl, scRebuildCache, 0);
    if (data.CacheBitmap != nullptr)
        StartImage = CopyOf(*data.CacheBitmap);
    else
        StartImage = NewPf32Bitmap(0, 0);
    SetInterval(kFadeInterval);
    StepTotal = FadingIterationsOf(data);
    if (direction_ == 1)
        StepTotal = Level;
    else if (direction_ == 2)
        StepTotal -= Level;
}

bool TsFadeTimer::IsFinished() {
    TControl* control = OwnerData != nullptr ? OwnerData->HostControl : nullptr;
    if (!ControlGoing(control) && !ApplicationTerminating()) {
        if (Level >= 0 && Level <= StepTotal) return false;
        SendSkinCommand(control, scNextFadeFrame, 0);
        return true;
    }
    direction_ = 0;
    return false;
}

void TsFadeTimer::Timer() {
    if (OwnerData == nullptr || destroying_ || IsFinished() || FadingStopped) return;
    if (direction_ == 1 || direction_ == 2) FadeStep();
}

void TsFadeTimer::FadeStep() {
    TControl* control = OwnerData != nullptr ? OwnerData->HostControl : nullptr;
    if (ControlGoing(control) || StepTotal == 0 || FadingStopped) return;
    if (!control->Enabled()) {
        SetEnabled(false);
        StepTotal = 0;
        OwnerData->Invalidate();
        return;
    }
    struct LevelStep {
        int& level;
        ~LevelStep() { ++level; }
    } step{Level};
    TBitmap* cache = OwnerData->CacheBitmap.get();
    auto frame = CopyOf(*StartImage);
    if (cache != nullptr) BlendBitmaps(*frame, *cache, FadeFrameAlpha(Level, StepTotal));
    if (control->Perform(SkinCommandMessage, SkinCommandWParam(scPaintIntoBitmap),
                         reinterpret_cast<LPARAM>(frame.get())) == 0) {
        if (HWND window = WindowOf(control)) {
            HDC dc = GetWindowDC(window);
            int saved = SaveDC(dc);
            BitBlt(dc, 0, 0, frame->Width(), frame->Height(), frame->Canvas().Handle(), 0, 0, SRCCOPY);
            RestoreDC(dc, saved);
            ReleaseDC(window, dc);
        }
    }
}

// ----- TsAnimTimer -----

TsAnimTimer::TsAnimTimer(TComponent* owner)
    : TTimer(owner), StartImage(NewPf32Bitmap(0, 0)), FrameImage(NewPf32Bitmap(0, 0)) {
    ++FadeTimerCount;
    SetEnabled(false);
    SetOnTimer(EmptyTimerHandler);
}

TsAnimTimer::~TsAnimTimer() {
    destroying_ = true;
    SetEnabled(false);
    --FadeTimerCount;
}

void TsAnimTimer::PrepareAnim(TsCommonData& data) {
    OwnerData = &data;
    SetInterval(kFadeInterval);
    StepTotal = FadingIterationsOf(data);
}

bool TsAnimTimer::IsFinished() {
    TControl* control = OwnerData != nullptr ? OwnerData->HostControl : nullptr;
    if (destroying_ || ControlGoing(control) || ApplicationTerminating()) return true;
    if (Level >= 0 && Level <= StepTotal) return false;
    SendSkinCommand(control, scNextFadeFrame, 0);
    return true;
}

void TsAnimTimer::Timer() {
    if (destroying_ || IsFinished()) return;
    AnimStep();
}

void TsAnimTimer::AnimStep() {
    TControl* control = OwnerData != nullptr ? OwnerData->HostControl : nullptr;
    if (Busy || ControlGoing(control) || StepTotal == 0 || Level < 0) {
        ++Level;
        return;
    }
    Busy = true;
    struct Done {
        TsAnimTimer& timer;
        ~Done() {
            ++timer.Level;
            timer.Busy = false;
        }
    } done{*this};
    FrameImage = CopyOf(*StartImage);
    if (OwnerData->CacheBitmap != nullptr) BlendBitmaps(*FrameImage, *OwnerData->CacheBitmap, FadeFrameAlpha(Level, StepTotal));
    control->Perform(SkinCommandMessage, SkinCommandWParam(scSetUpdating), 0);
    control->Perform(SkinCommandMessage, SkinCommandWParam(scAnimationFrameReady), 0);
}

// ----- starting and stopping -----

void StopControlFade(TsFadeTimer*& timer) {
    if (timer == nullptr) return;
    TsFadeTimer* going = timer;
    timer = nullptr;
    going->SetDirection(0);
    delete going;
}

void RestartFadeTimer(TsFadeTimer*& timer, TsCommonData& data, bool half, std::uint8_t direction) {
    if (!FadingEnabledFor(data)) return;
    if (timer == nullptr) {
        timer = new TsFadeTimer(data.HostControl);
        timer->SetEnabled(false);
        timer->Level = 1;
    } else {
        timer->Level = FadingIterationsOf(data);
    }
    timer->PrepareFade(data);
    if (half) timer->StepTotal /= 2;
    if (timer->Level >= timer->StepTotal || timer->Level <= 0) timer->Level = 1;
    SendSkinCommand(data.HostControl, scRebuildCache, 0);
    timer->SetDirection(direction);
}

void StartControlFade(TsFadeTimer*& timer, TsCommonData& data, bool half, std::uint8_t direction, bool allowed) {
    if (!data.IsSkinned()) return;
    bool canFade = allowed && !SkinLoading && FadingEnabledFor(data) && !FadingStopped && data.CacheBitmap != nullptr &&
                   !data.BackgroundDirty;
    data.BackgroundDirty = true;
    if (canFade) {
        RestartFadeTimer(timer, data, half, direction);
    } else {
        StopControlFade(timer);
        if (data.HostControl != nullptr) data.HostControl->Repaint();
    }
    data.UpdateGlow(half, WindowOf(data.HostControl));
}

}  // namespace parch
