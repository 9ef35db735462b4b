#include <gtest/gtest.h>

#include <cstdio>

#include "base/Streams.h"
#include "framework/graphics/Picture.h"
#include "platform/gdi/IconFile.h"

namespace parch {
namespace {

IconImage Filled(int side, std::uint32_t color) {
    IconImage image;
    image.width = image.height = side;
    image.color.assign(static_cast<std::size_t>(side) * side, color);
    image.mask.assign(image.color.size(), 0);
    image.hasAlpha = true;
    return image;
}

std::string IconFileOf(const std::vector<IconImage>& images) {
    std::vector<BYTE> bytes = EncodeIconFile(images);
    return std::string(bytes.begin(), bytes.end());
}

std::uint32_t PixelOf(TIcon& icon, int x, int y) {
    return reinterpret_cast<const std::uint32_t*>(icon.Image().ScanLine(y))[x];
}

TEST(TIconFiles, ReadsTheSystemSizedEntryAndWritesTheFileBack) {
    const std::string file = IconFileOf({Filled(16, 0xFF0000FF), Filled(32, 0x80FF0000), Filled(48, 0xFF00FF00)});
    TStringStream in(file);
    TIcon icon;
    int changes = 0;
    icon.OnChange = [&] { ++changes; };
    icon.LoadFromStream(in);
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(PixelOf(icon, 5, 5), 0x80FF0000u);
    EXPECT_GE(changes, 1);

    TStringStream out;
    icon.SaveToStream(out);
    EXPECT_EQ(out.DataString(), file);  // unchanged: the file as it was read

    // Changed pixels are written as an icon of the pixels.
    icon.Image().Canvas().SetPixels(0, 0, RGB(0x12, 0x34, 0x56));
    TStringStream changed;
    icon.SaveToStream(changed);
    EXPECT_NE(changed.DataString(), file);
    TStringStream again(changed.DataString());
    TIcon reread;
    reread.LoadFromStream(again);
    EXPECT_EQ(PixelOf(reread, 0, 0) & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(PixelOf(reread, 5, 5), 0x80FF0000u);
}

TEST(TIconFiles, HandlesDrawingAndPictureFormats) {
    TIcon icon;
    TStringStream in(IconFileOf({Filled(2, 0xFF00FF00)}));
    icon.LoadFromStream(in);
    HICON handle = icon.Handle();
    ASSERT_TRUE(IsIconHandle(handle));
    EXPECT_EQ(icon.Handle(), handle);  // one object while the pixels stay

    TBitmap target(4, 4, pf32bit);
    target.Canvas().Brush().SetColor(RGB(0, 0, 255));
    RECT all{0, 0, 4, 4};
    target.Canvas().FillRect(all);
    icon.Draw(target.Canvas(), RECT{0, 0, 4, 4});  // stretched to 4 x 4
    EXPECT_EQ(reinterpret_cast<const std::uint32_t*>(target.ScanLine(3))[3] & 0xFFFFFF, 0x00FF00u);

    HICON released = icon.ReleaseHandle();
    EXPECT_TRUE(IsIconHandle(released));
    TIcon other;
    other.SetHandle(released);  // owned by `other` now
    EXPECT_EQ(other.Width(), 2);
    EXPECT_EQ(PixelOf(other, 1, 1), 0xFF00FF00u);
    other.SetHandle(nullptr);
    EXPECT_TRUE(other.Empty());
    EXPECT_FALSE(IsIconHandle(released));  // the old one was destroyed with the change

    // .ico and .png files through TPicture.
    const std::string folder = PARCH_BINARY_DIR "/tests/framework";
    const std::string ico = folder + "/icon-test.ico";
    const std::string png = folder + "/icon-test.png";
    {
        TStringStream bytes(IconFileOf({Filled(16, 0xFFFF0000)}));
        bytes.SaveToFile(ico);
        static const unsigned char kPng[] = {
            0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00,
            0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0xF4, 0x22, 0x7F, 0x8A, 0x00, 0x00, 0x00, 0x11, 0x49,
            0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x9F, 0x81, 0xE1, 0x7F, 0x03, 0x00, 0x0F, 0x7A, 0x03,
            0x7E, 0x0B, 0xCB, 0x2E, 0xB1, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
        TStringStream pngBytes(std::string(reinterpret_cast<const char*>(kPng), sizeof kPng));
        pngBytes.SaveToFile(png);
    }
    TPicture picture;
    picture.LoadFromFile(ico);
    ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 16);
    picture.LoadFromFile(png);
    auto* fromPng = dynamic_cast<TIcon*>(picture.Graphic());
    ASSERT_NE(fromPng, nullptr);
    EXPECT_EQ(PixelOf(*fromPng, 0, 0), 0xFFFF0000u);  // red, opaque
    EXPECT_EQ(PixelOf(*fromPng, 1, 0), 0x800000FFu);  // blue, half transparent
    std::remove(ico.c_str());
    std::remove(png.c_str());

    TStringStream junk("not an icon at all");
    EXPECT_THROW(icon.LoadFromStream(junk), EInvalidGraphic);
    TStringStream empty;
    EXPECT_THROW(icon.LoadFromStream(empty), EInvalidGraphic);
}

}  // namespace
}  // namespace parch
