#pragma once
// TMetafile: a recorded picture, enhanced (EMF) or Windows (WMF, written with its placeable
// header), drawn stretched onto a canvas; and TMetafileCanvas, a canvas whose drawing is
// recorded into a metafile, which gets the recording when the canvas is freed.

#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/Canvas.h"
#include "framework/graphics/Graphic.h"
#include "platform/gdi/EnhMetafile.h"

namespace parch {

class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;

    // Empty until a recording, a file or a handle gives it records.
    bool Empty() const override { return !handle_ && wmf_.empty(); }
    // The picture in pixels of the reference device, and in 0.01 mm.
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetSize(int width, int height) override;
    int MMWidth() const { return mmWidth_; }
    int MMHeight() const { return mmHeight_; }
    void SetMMWidth(int value);
    void SetMMHeight(int value);
    // Pixels per inch the pixel size refers to (the reference device's).
    int Inch() const { return inch_; }

    // Saved as EMF when on, as a placeable WMF when off.
    bool Enhanced() const { return enhanced_; }
    void SetEnhanced(bool enhanced);

    // The enhanced metafile, owned; nullptr while empty or holding a read WMF only.
    HENHMETAFILE Handle() const { return handle_; }
    // Takes the metafile (owned from now on). `inch` is the resolution its pixels refer to.
    void SetHandle(HENHMETAFILE metafile, int inch = 96);
    void Clear();

    void Draw(TCanvas& canvas, const RECT& rect) override;
    // EMF or placeable WMF; EInvalidGraphic for anything else.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Another metafile's records, or nothing (nullptr); EConvertError for other pictures.
    void Assign(TGraphic* source) override;
    std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<TMetafile>(); }

private:
    void LoadEnhanced(const std::vector<BYTE>& bytes);
    void LoadPlaceable(const std::vector<BYTE>& bytes);
    std::vector<BYTE> WmfRecords() const;

    HENHMETAFILE handle_ = nullptr;
    std::vector<BYTE> wmf_;  // records of a WMF that was read (without the placeable header)
    bool enhanced_ = true;
    int width_ = 0;
    int height_ = 0;
    int mmWidth_ = 0;
    int mmHeight_ = 0;
    int inch_ = 96;
};

class TMetafileCanvas : public TCanvas {
public:
    // Records at the resolution of referenceDC (the screen's when nullptr); the frame is the
    // metafile's size at that resolution.
    TMetafileCanvas(TMetafile& metafile, HDC referenceDC);
    TMetafileCanvas(TMetafile& metafile, HDC referenceDC, const std::string& creator, const std::string& description);
    // Completes the recording into the metafile.
    ~TMetafileCanvas() override;

private:
    TMetafile& metafile_;
    HDC recording_ = nullptr;
    int inch_ = 96;
};

}  // namespace parch
