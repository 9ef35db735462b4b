#include <gtest/gtest.h>

#include "platform/win/Clipboard.h"

namespace parch {
namespace {

ClipboardPicture Picture(LONG width, LONG height, std::uint8_t fill) {
    ClipboardPicture picture;
    picture.header.biWidth = width;
    picture.header.biHeight = height;
    picture.header.biBitCount = 32;
    const LONG rows = height < 0 ? -height : height;
    picture.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows) * 4, fill);
    return picture;
}

class Clipboard : public ::testing::Test {
protected:
    void SetUp() override { SetClipboardText(""); }
    void TearDown() override { win::SetClipboardBackend({}); }
};

// A picture and a text are two formats on one clipboard: putting either keeps the other.
TEST_F(Clipboard, PictureAndTextLiveSideBySide) {
    ASSERT_TRUE(SetClipboardPicture(Picture(3, -2, 0x7F)));
    SetClipboardText("caption");
    ASSERT_TRUE(HasClipboardPicture());
    std::optional<ClipboardPicture> got = GetClipboardPicture();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->header.biWidth, 3);
    EXPECT_EQ(got->header.biHeight, -2);
    EXPECT_EQ(got->pixels, std::vector<std::uint8_t>(24, 0x7F));

    ASSERT_TRUE(SetClipboardPicture(Picture(1, 1, 0x01)));
    EXPECT_EQ(GetClipboardText(), "caption");
    EXPECT_EQ(GetClipboardPicture()->pixels, std::vector<std::uint8_t>(4, 0x01));
}

// The display back end carries text only; the picture stays in this process beside it.
TEST_F(Clipboard, BackEndTakesTheTextAndLeavesThePicture) {
    ASSERT_TRUE(SetClipboardPicture(Picture(2, 2, 0x10)));
    std::string system;
    win::SetClipboardBackend({[&] { return system; }, [&](const std::string& t) { system = t; }});
    SetClipboardText("shared");
    EXPECT_EQ(system, "shared");
    EXPECT_TRUE(HasClipboardPicture());
    EXPECT_EQ(GetClipboardPicture()->pixels.size(), 16u);
}

TEST_F(Clipboard, RejectsWhatIsNotAWhole32BitPicture) {
    ASSERT_TRUE(SetClipboardPicture(Picture(2, 1, 0x55)));
    ClipboardPicture wrongDepth = Picture(2, 1, 0);
    wrongDepth.header.biBitCount = 24;
    ClipboardPicture shortRows = Picture(2, 2, 0);
    shortRows.pixels.pop_back();
    ClipboardPicture compressed = Picture(2, 1, 0);
    compressed.header.biCompression = BI_BITFIELDS;
    ClipboardPicture otherHeader = Picture(2, 1, 0);
    otherHeader.header.biSize = 124;
    ClipboardPicture noWidth = Picture(0, 1, 0);
    ClipboardPicture huge = Picture(1, 1, 0);
    huge.header.biWidth = 0x7FFFFFFF;
    huge.header.biHeight = -0x7FFFFFFF;
    for (const ClipboardPicture& bad : {wrongDepth, shortRows, compressed, otherHeader, noWidth, huge})
        EXPECT_FALSE(SetClipboardPicture(bad));
    EXPECT_EQ(GetClipboardPicture()->pixels, std::vector<std::uint8_t>(8, 0x55)) << "the clipboard keeps its picture";
}

}  // namespace
}  // namespace parch
