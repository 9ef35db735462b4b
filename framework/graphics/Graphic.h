#pragma once
// TGraphic: the common face of pictures that can be sized, drawn on a canvas, loaded and
// saved (bitmaps, icons and the image formats of the libraries).

#include <memory>
#include <string>

#include "framework/graphics/Graphics.h"
#include "base/SysUtils.h"
#include "platform/gdi/WinTypes.h"

namespace parch {

class TCanvas;
class TStream;

// Data that is not a valid picture of the expected format.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};
// An operation the picture cannot do in its current state.
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

class TGraphic {
public:
    virtual ~TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetSize(int width, int height) = 0;
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }

    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool transparent);
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // Draws the picture stretched into rect of the canvas.
    virtual void Draw(TCanvas& canvas, const RECT& rect) = 0;

    // EInvalidGraphic for data that is not a picture of this kind.
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    // Copies another picture; nullptr empties this one. EConvertError when the kinds do not
    // convert.
    virtual void Assign(TGraphic* source) = 0;
    // A new, empty picture of the same class (TPicture copies through it).
    virtual std::unique_ptr<TGraphic> NewEmpty() const = 0;

    TChangeEvent OnChange;

protected:
    TGraphic() = default;
    virtual void Changed();

private:
    bool transparent_ = false;
    bool modified_ = false;
};

}  // namespace parch
