#pragma once
// Cross-fades of skinned controls between two looks on mouse events: the old look is kept as a
// snapshot, the control rebuilds its cache in the new look, and a timer shows a few blended
// frames from the one to the other. TsFadeTimer serves windowed controls, TsAnimTimer
// windowless ones.

#include <cstdint>
#include <memory>

#include "framework/Timer.h"
#include "framework/graphics/Bitmap.h"
#include "skin/engine/sConst.h"

namespace parch {

class TsCommonData;
class TsSkinManager;

// Stops every fade for good (set when the session ends).
extern bool FadingStopped;
// Fade and animation timers alive.
extern int FadeTimerCount;

// Whether the event fades for a control with these AnimatEvents; aeGlobalDef defers to the
// manager's button events (nullptr: the default manager).
bool AnimatEventAllowed(TacAnimatEvent event, TacAnimatEvents events, TsSkinManager* manager = nullptr);

// The weight of the snapshot in frame level of stepTotal frames: 255 down to 0 at the last.
int FadeFrameAlpha(int level, int stepTotal);

class TsFadeTimer : public TTimer {
public:
    explicit TsFadeTimer(TComponent* owner);
    ~TsFadeTimer() override;

    // 0 stopped; 1 and 2 step. The timer runs exactly while it is not 0.
    void SetDirection(std::uint8_t value);
    std::uint8_t Direction() const { return direction_; }
    // Takes the snapshot of the control's present look and the number of frames.
    void PrepareFade(TsCommonData& data);
    // True once the last frame was shown (the control is told with command 16).
    bool IsFinished();
    void FadeStep();

    TsCommonData* OwnerData = nullptr;
    int StepTotal = 0;
    int Level = 0;
    std::unique_ptr<TBitmap> StartImage;

protected:
    void Timer() override;

private:
    std::uint8_t direction_ = 0;
    bool destroying_ = false;
};

class TsAnimTimer : public TTimer {
public:
    explicit TsAnimTimer(TComponent* owner);
    ~TsAnimTimer() override;

    void PrepareAnim(TsCommonData& data);
    bool IsFinished();
    void AnimStep();

    TsCommonData* OwnerData = nullptr;
    int StepTotal = 0;
    int Level = 0;
    std::unique_ptr<TBitmap> StartImage;
    std::unique_ptr<TBitmap> FrameImage;
    bool Busy = false;

protected:
    void Timer() override;

private:
    bool destroying_ = false;
};

// The control's look changed on a mouse event: fade to it when allowed and possible, else
// repaint at once. Half halves the frames (press and release).
void StartControlFade(TsFadeTimer*& timer, TsCommonData& data, bool half, std::uint8_t direction, bool allowed);
// Creates the timer (owned by the control) or restarts it from its first frame.
void RestartFadeTimer(TsFadeTimer*& timer, TsCommonData& data, bool half, std::uint8_t direction);
// Stops and frees the timer; timer becomes nullptr.
void StopControlFade(TsFadeTimer*& timer);

}  // namespace parch
