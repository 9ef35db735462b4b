#pragma once
// Adapters of two common controls: the up-down control's two arrow buttons (TacSpinWnd) and
// the track bar's channel, ticks and thumb (TacTrackWnd), drawn from the skin.
#include <string>
#include <vector>

#include "skin/engine/sCommonData.h"
#include "skin/frames/acAdapterPaint.h"
#include "skin/frames/acSBUtils.h"

namespace parch {

class TacSpinWnd : public TacMainWnd {
public:
    TacSpinWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl = nullptr);
    ~TacSpinWnd() override;

    TsCommonData& SkinData() { return skinData_; }
    bool IsVertical() const;
    // Pixels on the left left unpainted (a neighbouring edit's frame shows there).
    int PaintOffsetX = 0;
    bool MousePressed = false;
    int FirstState = 0;
    int SecondState = 0;
    // The two buttons' rectangles in window coordinates.
    RECT FirstHalf() const;
    RECT SecondHalf() const;
    // Works out the states from the cursor and paints both buttons into the cache.
    void PaintCache();

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void UpdateStates();
    void PaintToDC(HDC given);
    void PaintHalf(RECT half, int state, const char* arrowSection, const std::string& section);

    TsCommonData skinData_{nullptr, true};
};

// Where ticks go along a track: n ticks spread over the channel less the thumb, centred on the
// thumb. Fewer than two ticks mark the channel's two ends; ticks closer than a pixel are drawn
// once per pixel.
std::vector<int> TrackTickPositions(int tickCount, int channelStart, int channelLength, int thumbLength);

class TacTrackWnd : public TacMainWnd {
public:
    TacTrackWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl = nullptr);
    ~TacTrackWnd() override;

    TsCommonData& SkinData() { return skinData_; }
    bool IsVertical() const;
    bool MousePressed = false;
    int TickHeight = 4;
    // 2 both sides, 1 top or left, 0 bottom or right.
    int TickSide() const;
    RECT ChannelRect() const;
    RECT ThumbRect() const;
    // The tick positions along the track for the control as it stands.
    std::vector<int> TickPositions() const;
    void PaintCache();

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintToDC(HDC given);
    void PaintChannel(TBitmap& cache);
    void PaintTicks(TBitmap& cache);
    void PaintTick(TBitmap& cache, POINT p, bool horizontal);
    void PaintThumb(TBitmap& cache);
    const TsMaskData* TrackMask(const char* name) const;

    TsCommonData skinData_{nullptr, true};
};

}  // namespace parch
