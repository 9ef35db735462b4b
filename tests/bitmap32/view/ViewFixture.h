#pragma once
// Image controls on a headless screen: the demonstration form the preview is modelled on (read
// from a description, as the desktop program's main form is), the page picture it shows, and
// the pixels of a shown control as the screen has them.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Streams.h"
#include "bitmap32/view/Image32.h"
#include "framework/FormDescription.h"
#include "tests/bitmap32/ResampleTestSupport.h"
#include "tests/framework/FormFixture.h"

namespace parch::view_test {

// The rendered text page of the resampling fixtures (340 x 440).
inline const char* const kPagePng = "tests/bitmap32/fixtures/resample/page.png";

// A bitmap's streamed pixel data as the hexadecimal text a description carries.
inline std::string PixelDataHex(const TCustomBitmap32& bitmap) {
    TMemoryStream stream;
    bitmap.WritePixelData(stream);
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    const auto* bytes = reinterpret_cast<const unsigned char*>(stream.Memory());
    for (std::int64_t i = 0; i < stream.GetSize(); ++i) {
        hex.push_back(digits[bytes[i] >> 4]);
        hex.push_back(digits[bytes[i] & 15]);
    }
    return hex;
}

// The preview's settings in the order its form gives them, with the picture as pixel data.
inline TComponentDescription DemoImageDescription(const std::string& pictureHex) {
    return TComponentDescription{"TImage32",
                                 "Image",
                                 {{"Align", "alClient"},
                                  {"Bitmap.Data", pictureHex},
                                  {"Bitmap.MasterAlpha", "0"},
                                  {"Bitmap.ResamplerClassName", "TKernelResampler"},
                                  {"Bitmap.Resampler.KernelClassName", "TCubicKernel"},
                                  {"Bitmap.Resampler.Kernel.Coeff", "-0.5"},
                                  {"Bitmap.Resampler.KernelMode", "kmDynamic"},
                                  {"Bitmap.Resampler.TableSize", "32"},
                                  {"BitmapAlign", "baCenter"},
                                  {"Color", "clSilver"},
                                  {"ParentColor", "False"},
                                  {"Scale", "1.0"},
                                  {"ScaleMode", "smScale"},
                                  {"TabOrder", "0"}},
                                 {},
                                 {}};
}

// The pixels of a shown control, 0x00RRGGBB row by row.
inline std::vector<std::uint32_t> ControlPixels(TWinControl* form, TControl* control) {
    WindowPixels pixels(form);
    std::vector<std::uint32_t> result;
    result.reserve(static_cast<std::size_t>(control->Width()) * control->Height());
    for (int y = 0; y < control->Height(); ++y)
        for (int x = 0; x < control->Width(); ++x) {
            const COLORREF c = pixels.At(control, x, y);
            result.push_back((std::uint32_t{GetRValue(c)} << 16) | (std::uint32_t{GetGValue(c)} << 8) | GetBValue(c));
        }
    return result;
}

class ViewFixture : public FormFixture {
protected:
    static void SetUpTestSuite() { RegisterImageViewClasses(); }

    // A form of the client size holding the demonstration image control, shown.
    TImage32* ShowDemoForm(int clientWidth, int clientHeight) {
        const auto page = resample_test::LoadPng(kPagePng);
        form = MakeForm(clientWidth, clientHeight);
        form->ReadDescription(TComponentDescription{"TForm", "Demo", {}, {}, {DemoImageDescription(PixelDataHex(*page))}},
                              THandlerTable{});
        auto* image = static_cast<TImage32*>(form->FindComponent("Image"));
        Show(form);
        return image;
    }

    TForm* form = nullptr;
};

}  // namespace parch::view_test
