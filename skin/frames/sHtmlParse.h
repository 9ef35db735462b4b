#pragma once
// TsHtml: lays out and draws a hint text written in a small subset of HTML (B, I, U, BR, P and
// FONT with SIZE, COLOR and FACE) onto a bitmap's canvas, line by line, and reports the size
// the text took. The same call measures (on a scratch bitmap) and draws (on the hint picture).

#include <string>
#include <string_view>
#include <vector>

#include "framework/graphics/Bitmap.h"

namespace parch {

class TsHtml {
public:
    // Font sizes that FONT SIZE may reach, in points.
    static constexpr int kMinFontSize = 1;
    static constexpr int kMaxFontSize = 144;

    TsHtml() = default;
    TsHtml(const TsHtml&) = delete;
    TsHtml& operator=(const TsHtml&) = delete;

    // The bitmap is borrowed; its canvas font is the font the text starts in and is changed by
    // the tags. Drawing starts at the rectangle's top-left corner.
    void Init(TBitmap* bitmap, std::string text, const RECT& rect);
    // Draws the whole text and returns (0, 0, right end of the widest line, bottom of the last
    // line) in the canvas's coordinates.
    RECT Render();

private:
    // What a FONT tag saves and its closing tag restores.
    struct FontState {
        std::string Name;
        int Size = 0;
        TColor Color = 0;
        unsigned Style = 0;
    };

    void ScanText();
    // Handles the tag starting at "<" at pos; returns where scanning goes on.
    size_t HandleTag(size_t pos);
    bool ApplyTag(std::string_view tag);
    bool ApplyClosingTag(std::string_view tag);
    void ApplyFontAttributes(std::string_view tag);
    void ApplySize(std::string_view value);
    void ApplyColor(std::string_view value);
    void ApplyFace(std::string_view tag, size_t facePos);
    void PushFont();
    void PopFont();
    void DrawRun(size_t begin, size_t end);
    void NewLine();
    TCanvas& Canvas() { return bitmap_->Canvas(); }

    TBitmap* bitmap_ = nullptr;
    std::string text_;
    std::string upper_;  // ASCII upper-cased copy: same byte positions as text_
    RECT rect_{0, 0, 0, 0};
    int x_ = 0;
    int y_ = 0;
    int lineWidth_ = 0;
    int lineHeight_ = 0;
    int widestLine_ = 0;
    int totalHeight_ = 0;
    size_t runStart_ = 0;
    std::vector<FontState> savedFonts_;
};

}  // namespace parch
