#pragma once
// TPicture: a holder of any one picture, loading files by their extension through the
// registered picture classes; and TIcon, an image with an alpha channel drawn blended.

#include <functional>
#include <memory>
#include <string>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Graphic.h"
#include "platform/gdi/IconObjects.h"

namespace parch {

// An icon image: 32-bit pixels with straight alpha, drawn blended by the alpha channel through
// an icon object (Handle). Reads .ico files (the entry that fits the system icon size best)
// and PNG files; writes back the file it read, or an .ico of its pixels.
class TIcon : public TGraphic {
public:
    TIcon();
    ~TIcon() override;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    // The icon object of the pixels, made when first asked for and owned by the TIcon.
    HICON Handle();
    // Takes the icon (owned from now on); its pixels replace the picture. A stale handle
    // empties the picture.
    void SetHandle(HICON icon);
    // Gives the icon object to the caller, who destroys it.
    HICON ReleaseHandle();

    bool Empty() const override { return image_->Empty(); }
    int Width() const override { return image_->Width(); }
    int Height() const override { return image_->Height(); }
    void SetSize(int width, int height) override;
    // The pixels (pf32bit, blue green red alpha); change them through ScanLine.
    TBitmap& Image() { return *image_; }

    void Draw(TCanvas& canvas, const RECT& rect) override;
    // EInvalidGraphic for data that is neither an icon nor a PNG file.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Another icon's pixels, or any picture drawn opaque.
    void Assign(TGraphic* source) override;
    std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<TIcon>(); }

private:
    void PixelsChanged();
    void DropHandle();

    std::unique_ptr<TBitmap> image_;
    HICON handle_ = nullptr;
    std::string data_;  // the file read, written back while the pixels are unchanged
    bool loading_ = false;
};

class TPicture {
public:
    using GraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

    TPicture();
    ~TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // The picture held, or nullptr.
    TGraphic* Graphic() const { return graphic_.get(); }
    // Holds a copy of graphic (nullptr empties the picture).
    void SetGraphic(TGraphic* graphic);
    // The picture as a bitmap or icon; a picture of another kind is replaced by an empty one.
    TBitmap& Bitmap();
    TIcon& Icon();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // The class registered for the file's extension reads it; EInvalidGraphic for an
    // extension nobody registered.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    void Assign(const TPicture& source) { SetGraphic(source.graphic_.get()); }

    TChangeEvent OnChange;

    // Extensions are matched without the dot and without regard to ASCII case; "bmp" is
    // registered from the start.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   GraphicFactory factory);

private:
    void Hold(std::unique_ptr<TGraphic> graphic);
    void Changed();

    std::unique_ptr<TGraphic> graphic_;
};

}  // namespace parch
