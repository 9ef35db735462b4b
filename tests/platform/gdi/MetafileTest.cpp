#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "GdiTestSupport.h"
#include "TestFonts.h"
#include "platform/gdi/AntiAliasedGraphics.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EnhMetafile.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/MetafileBytes.h"
#include "platform/gdi/Paths.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Regions.h"

namespace parch {
namespace {

using test::Surface;
using test::kWhite;

constexpr int kSide = 48;

// The 0.01 mm frame of a kSide x kSide picture at 96 dpi.
RECT PictureFrame() {
    const LONG mm = (kSide * 2540 + 48) / 96;
    return RECT{0, 0, mm, mm};
}

std::vector<BYTE> BitsOf(HENHMETAFILE metafile) {
    std::vector<BYTE> bytes(GetEnhMetaFileBits(metafile, 0, nullptr));
    GetEnhMetaFileBits(metafile, static_cast<UINT>(bytes.size()), bytes.data());
    return bytes;
}

std::vector<BYTE> Record(const std::function<void(HDC)>& draw, const RECT* frame) {
    Surface reference(1, 1);
    HDC dc = CreateEnhMetaFile(reference.dc(), nullptr, frame, "test");
    draw(dc);
    HENHMETAFILE metafile = CloseEnhMetaFile(dc);
    std::vector<BYTE> bytes = BitsOf(metafile);
    DeleteEnhMetaFile(metafile);
    return bytes;
}

bool Play(const std::vector<BYTE>& bytes, HDC dc, const RECT& rect) {
    HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    if (!metafile) return false;
    const bool played = PlayEnhMetaFile(dc, metafile, &rect);
    DeleteEnhMetaFile(metafile);
    return played;
}

struct Record32 {
    std::uint32_t type;
    std::uint32_t size;
    std::size_t at;
};

std::vector<Record32> Records(const std::vector<BYTE>& bytes) {
    MetafileByteReader r(bytes.data(), bytes.size());
    std::vector<Record32> out;
    for (std::size_t at = 0; r.Has(at, 8);) {
        const Record32 record{r.U32(at), r.U32(at + 4), at};
        out.push_back(record);
        if (record.size < 8) break;
        at += record.size;
    }
    return out;
}

// ---- drawing scripts: each is drawn directly and through a metafile ----

void Shapes(HDC dc) {
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 200));
    HBRUSH brush = CreateSolidBrush(RGB(200, 30, 30));
    SelectObject(dc, pen);
    SelectObject(dc, brush);
    Rectangle(dc, 4, 4, 20, 18);
    Ellipse(dc, 22, 6, 44, 30);
    const POINT triangle[] = {{6, 40}, {20, 24}, {30, 44}};
    Polygon(dc, triangle, 3);
    const POINT line[] = {{30, 40}, {46, 34}, {40, 46}};
    Polyline(dc, line, 3);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(brush);
}

void BezierPaths(HDC dc) {
    HBRUSH brush = CreateSolidBrush(RGB(0, 150, 0));
    SelectObject(dc, brush);
    SetPolyFillMode(dc, WINDING);
    BeginPath(dc);
    MoveToEx(dc, 4, 40, nullptr);
    const POINT curve[] = {{10, 2}, {38, 2}, {44, 40}};
    PolyBezierTo(dc, curve, 3);
    CloseFigure(dc);
    EndPath(dc);
    StrokeAndFillPath(dc);
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(90, 0, 90));
    SelectObject(dc, pen);
    BeginPath(dc);
    MoveToEx(dc, 2, 46, nullptr);
    LineTo(dc, 46, 44);
    EndPath(dc);
    StrokePath(dc);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(brush);
}

void ClipsAndStates(HDC dc) {
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, 8, 8, 40, 40);
    BeginPath(dc);
    MoveToEx(dc, 24, 0, nullptr);
    LineTo(dc, 48, 24);
    LineTo(dc, 24, 48);
    LineTo(dc, 0, 24);
    CloseFigure(dc);
    EndPath(dc);
    SelectClipPath(dc, RGN_AND);
    const RECT all{0, 0, kSide, kSide};
    FillRect(dc, &all, blue);
    RestoreDC(dc, saved);
    const RECT corner{0, 0, 6, 6};
    FillRect(dc, &corner, blue);
    DeleteObject(blue);
}

void Pixels(HDC dc) {
    std::vector<std::uint32_t> pixels(4 * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0x00102030u * static_cast<std::uint32_t>(i + 1);
    BITMAPINFO info{};
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = -3;
    info.bmiHeader.biBitCount = 32;
    StretchDIBits(dc, 5, 7, 16, 12, 0, 0, 4, 3, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

void Text(HDC dc) {
    HFONT font = CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Liberation Sans");
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(120, 0, 0));
    TextOut(dc, 3, 10, "Emf", 3);
    SelectObject(dc, old);
    DeleteObject(font);
}

struct Script {
    const char* name;
    void (*draw)(HDC);
};

class MetafileRoundTrip : public ::testing::TestWithParam<Script> {};

TEST_P(MetafileRoundTrip, PlaybackPaintsWhatTheCallsPaint) {
    Surface direct(kSide, kSide), played(kSide, kSide);
    direct.Fill(kWhite);
    played.Fill(kWhite);
    GetParam().draw(direct.dc());
    const RECT frame = PictureFrame();
    const std::vector<BYTE> bytes = Record(GetParam().draw, &frame);
    ASSERT_TRUE(Play(bytes, played.dc(), RECT{0, 0, kSide, kSide}));
    int differing = 0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) differing += direct.Color(x, y) != played.Color(x, y);
    EXPECT_EQ(differing, 0);
    // Something was drawn at all.
    int inked = 0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) inked += direct.Color(x, y) != kWhite;
    EXPECT_GT(inked, 20);
}

INSTANTIATE_TEST_SUITE_P(Scripts, MetafileRoundTrip,
                         ::testing::Values(Script{"Shapes", Shapes}, Script{"BezierPaths", BezierPaths},
                                           Script{"ClipsAndStates", ClipsAndStates}, Script{"Pixels", Pixels},
                                           Script{"Text", Text}),
                         [](const ::testing::TestParamInfo<Script>& info) { return std::string(info.param.name); });

TEST(MetafileRecording, RecordsAreWholeWordsAndEveryObjectIsDeleted) {
    const RECT frame = PictureFrame();
    for (auto draw : {Shapes, BezierPaths, ClipsAndStates, Text}) {
        const std::vector<BYTE> bytes = Record(draw, &frame);
        const std::vector<Record32> records = Records(bytes);
        ASSERT_FALSE(records.empty());
        std::size_t total = 0;
        int created = 0, deleted = 0;
        for (const Record32& r : records) {
            EXPECT_EQ(r.size % 4, 0u) << "record " << r.type;
            total += r.size;
            created += r.type == 38 || r.type == 39 || r.type == 82 || r.type == 95;
            deleted += r.type == 40;
        }
        EXPECT_EQ(total, bytes.size());
        EXPECT_EQ(records.back().type, 14u);
        EXPECT_EQ(created, deleted);
        MetafileByteReader r(bytes.data(), bytes.size());
        EXPECT_EQ(r.U32(48), bytes.size());
        EXPECT_EQ(r.U32(52), records.size());
    }
}

TEST(MetafileRecording, FrameAndDeviceFollowTheReferenceResolution) {
    const std::vector<BYTE> bytes = Record(Shapes, nullptr);
    HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    ENHMETAHEADER header;
    ASSERT_EQ(GetEnhMetaFileHeader(metafile, sizeof header, &header), sizeof header);
    DeleteEnhMetaFile(metafile);
    // Without a given frame, the frame is the bounds drawn, at the reference's 96 dpi.
    EXPECT_LE(header.rclBounds.left, 4);
    const double pxPerMm = double(header.szlDevice.cx) / header.szlMillimeters.cx;
    EXPECT_DOUBLE_EQ(pxPerMm, 96 / 25.4);
    EXPECT_NEAR(header.rclFrame.right / 100.0 * pxPerMm, header.rclBounds.right + 1, 0.5);
}

TEST(MetafilePlayback, StretchesThePictureOntoTheRectangle) {
    const RECT frame = PictureFrame();
    const std::vector<BYTE> bytes = Record(
        [](HDC dc) {
            const RECT r{0, 0, kSide / 2, kSide / 2};
            FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        },
        &frame);
    Surface big(kSide * 2, kSide * 2);
    big.Fill(kWhite);
    ASSERT_TRUE(Play(bytes, big.dc(), RECT{0, 0, kSide * 2, kSide * 2}));
    EXPECT_EQ(big.Color(kSide - 1, kSide - 1), test::kBlack);
    EXPECT_EQ(big.Color(kSide, kSide), kWhite);
}

// Damaged records stop playback where they are; what came before stays drawn.
TEST(MetafilePlayback, StopsAtTheFirstDamagedRecord) {
    const RECT frame = PictureFrame();
    const std::vector<BYTE> sound = Record(Shapes, &frame);
    const std::vector<Record32> records = Records(sound);
    // The first drawing record (the rectangle) and the next one (the ellipse).
    std::size_t rectangle = 0, ellipse = 0;
    for (const Record32& r : records) {
        if (r.type == 43 && !rectangle) rectangle = r.at;
        if (r.type == 42 && !ellipse) ellipse = r.at;
    }
    ASSERT_TRUE(rectangle && ellipse);

    struct Damage {
        const char* name;
        std::function<void(std::vector<BYTE>&)> apply;
    };
    const Damage damages[] = {
        {"size not a multiple of four", [&](std::vector<BYTE>& b) { b[ellipse + 4] = 22; }},
        {"size past the end", [&](std::vector<BYTE>& b) { std::memset(&b[ellipse + 4], 0x7F, 4); }},
        {"size below a record", [&](std::vector<BYTE>& b) { std::memset(&b[ellipse + 4], 0, 4); }},
        {"cut short", [&](std::vector<BYTE>& b) { b.resize(ellipse + 12); }},
    };
    for (const Damage& damage : damages) {
        std::vector<BYTE> bytes = sound;
        damage.apply(bytes);
        Surface target(kSide, kSide);
        target.Fill(kWhite);
        EXPECT_FALSE(Play(bytes, target.dc(), RECT{0, 0, kSide, kSide})) << damage.name;
        EXPECT_NE(target.Color(10, 10), kWhite) << damage.name;  // inside the rectangle
        EXPECT_EQ(target.Color(33, 18), kWhite) << damage.name;  // inside the ellipse
    }
}

TEST(MetafilePlayback, RefusesCountsBeyondTheRecord) {
    const RECT frame = PictureFrame();
    std::vector<BYTE> bytes = Record(Shapes, &frame);
    for (const Record32& r : Records(bytes))
        if (r.type == 86 || r.type == 3) std::memset(&bytes[r.at + 24], 0xFF, 4);  // point count
    Surface target(kSide, kSide);
    EXPECT_FALSE(Play(bytes, target.dc(), RECT{0, 0, kSide, kSide}));
}

TEST(MetafileHandles, RejectBytesWithoutAHeaderAndStaleHandles) {
    const BYTE junk[100] = {1, 0, 0, 0, 100};
    EXPECT_EQ(SetEnhMetaFileBits(sizeof junk, junk), nullptr);
    const RECT frame = PictureFrame();
    const std::vector<BYTE> bytes = Record(Shapes, &frame);
    HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    ASSERT_NE(metafile, nullptr);
    EXPECT_TRUE(DeleteEnhMetaFile(metafile));
    EXPECT_FALSE(DeleteEnhMetaFile(metafile));
    EXPECT_EQ(GetEnhMetaFileBits(metafile, 0, nullptr), 0u);
    EXPECT_EQ(CloseEnhMetaFile(CreateCompatibleDC(nullptr)), nullptr);
}

std::vector<BYTE> WmfOf(const std::vector<BYTE>& emf) {
    HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(emf.size()), emf.data());
    std::vector<BYTE> wmf(GetWinMetaFileBits(metafile, 0, nullptr, MM_ANISOTROPIC, nullptr));
    GetWinMetaFileBits(metafile, static_cast<UINT>(wmf.size()), wmf.data(), MM_ANISOTROPIC, nullptr);
    DeleteEnhMetaFile(metafile);
    return wmf;
}

bool PlayWmf(const std::vector<BYTE>& wmf, HDC dc) {
    HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(wmf.size()), wmf.data());
    if (!metafile) return false;
    const bool played = PlayMetaFileInRect(dc, metafile, RECT{0, 0, kSide, kSide}, RECT{0, 0, kSide, kSide});
    DeleteMetaFile(metafile);
    return played;
}

// Shapes, pens, brushes, text and pixels keep their exact pixels through WMF; paths become
// polygons, so their edges may move by a pixel where curves are flattened.
TEST(WinMetafile, ConvertedRecordsPlayLikeTheCalls) {
    const RECT frame = PictureFrame();
    const struct {
        Script script;
        int allowed;
    } cases[] = {{{"Shapes", Shapes}, 0}, {{"Pixels", Pixels}, 0}, {{"Text", Text}, 0}, {{"BezierPaths", BezierPaths}, 150}};
    for (const auto& c : cases) {
        const std::vector<BYTE> wmf = WmfOf(Record(c.script.draw, &frame));
        ASSERT_GT(wmf.size(), 18u) << c.script.name;
        MetafileByteReader r(wmf.data(), wmf.size());
        EXPECT_EQ(std::size_t{r.U32(6)} * 2, wmf.size()) << c.script.name;
        Surface direct(kSide, kSide), played(kSide, kSide);
        direct.Fill(kWhite);
        played.Fill(kWhite);
        c.script.draw(direct.dc());
        ASSERT_TRUE(PlayWmf(wmf, played.dc())) << c.script.name;
        int differing = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) differing += direct.Color(x, y) != played.Color(x, y);
        EXPECT_LE(differing, c.allowed) << c.script.name;
    }
}

TEST(WinMetafile, DamagedRecordsStopPlayback) {
    const RECT frame = PictureFrame();
    std::vector<BYTE> wmf = WmfOf(Record(Shapes, &frame));
    std::vector<BYTE> cut(wmf.begin(), wmf.begin() + static_cast<std::ptrdiff_t>(wmf.size() / 2));
    Surface target(kSide, kSide);
    EXPECT_FALSE(PlayWmf(cut, target.dc()));
    // A polygon whose count runs past its record.
    MetafileByteReader r(wmf.data(), wmf.size());
    for (std::size_t at = 18; r.Has(at, 6) && r.U32(at) >= 3; at += std::size_t{r.U32(at)} * 2)
        if (r.U16(at + 4) == 0x0324) wmf[at + 6] = 0x7F;
    EXPECT_FALSE(PlayWmf(wmf, target.dc()));
}

// ---- the anti-aliased service recording EMF+ with EMF records ----

AaPath Square(double left, double top, double right, double bottom) {
    AaPath path;
    path.AddLine({left, top}, {right, top});
    path.AddLine({right, top}, {right, bottom});
    path.AddLine({right, bottom}, {left, bottom});
    path.CloseFigure();
    return path;
}

struct PlusRecord {
    std::uint16_t type, flags;
    std::uint32_t size, dataSize;
};

// The EMF+ records of every EMF+ comment, in order; fails the test where a comment is not
// tiled exactly by whole records.
std::vector<PlusRecord> PlusRecords(const std::vector<BYTE>& bytes) {
    std::vector<PlusRecord> out;
    MetafileByteReader r(bytes.data(), bytes.size());
    for (const Record32& record : Records(bytes)) {
        if (record.type != 70 || r.U32(record.at + 12) != 0x2B464D45) continue;
        const std::size_t end = record.at + 12 + r.U32(record.at + 8);
        std::size_t at = record.at + 16;
        while (at < end) {
            const PlusRecord plus{r.U16(at), r.U16(at + 2), r.U32(at + 4), r.U32(at + 8)};
            EXPECT_EQ(plus.size, 12 + plus.dataSize);
            EXPECT_EQ(plus.size % 4, 0u);
            out.push_back(plus);
            at += plus.size;
        }
        EXPECT_EQ(at, end);
    }
    return out;
}

TEST(AntiAliasedRecording, DualRecordsCarryEmfPlusAndDrawAsEmf) {
    Surface reference(1, 1);
    const RECT frame = PictureFrame();
    HDC dc = CreateEnhMetaFile(reference.dc(), nullptr, &frame, nullptr);
    {
        std::unique_ptr<AntiAliasedGraphics> graphics = AntiAliasedGraphics::ForRecording(dc, true, 96);
        ASSERT_NE(graphics, nullptr);
        graphics->IntersectClip(Square(8, 8, 40, 40));
        graphics->FillPath(Square(0, 0, kSide, kSide), 0xFF2040C0);
        AaPen pen;
        pen.width = 2.5;
        pen.dashes = {2, 1};
        pen.cap = AaLineCap::Round;
        graphics->DrawPath(Square(12, 12, 30, 30), pen);
        // A picture large enough to travel in continued object records.
        std::vector<std::uint32_t> pixels(100 * 100, 0x80FF0000);
        std::vector<BYTE> bmp(54 + pixels.size() * 4);
        MetafileByteWriter file;
        file.U16(0x4D42);
        file.U32(static_cast<std::uint32_t>(bmp.size()));
        file.U32(0);
        file.U32(54);
        file.U32(40);
        file.I32(100);
        file.I32(-100);
        file.U16(1);
        file.U16(32);
        file.Zeros(24);
        file.Raw(pixels.data(), pixels.size() * 4);
        std::string error;
        std::unique_ptr<AaImage> image = AaImage::Decode(file.Bytes().data(), file.Size(), error);
        ASSERT_NE(image, nullptr) << error;
        graphics->DrawImage(*image, {20, 20}, {30, 20}, {20, 30});
        graphics->ResetClip();
    }
    HENHMETAFILE metafile = CloseEnhMetaFile(dc);
    const std::vector<BYTE> bytes = BitsOf(metafile);
    DeleteEnhMetaFile(metafile);

    const std::vector<Record32> records = Records(bytes);
    ASSERT_GT(records.size(), 2u);
    EXPECT_EQ(records[1].type, 70u);  // the EMF+ header comes first
    const std::vector<PlusRecord> plus = PlusRecords(bytes);
    ASSERT_FALSE(plus.empty());
    EXPECT_EQ(plus.front().type, 0x4001);
    EXPECT_EQ(plus.front().flags, 1);  // dual
    EXPECT_EQ(plus.back().type, 0x4002);
    int continued = 0, images = 0;
    for (const PlusRecord& p : plus) {
        if (p.type != 0x4008) continue;
        continued += (p.flags & 0x8000) != 0;
        images += ((p.flags >> 8) & 0x7F) == 5 && !(p.flags & 0x8000);
    }
    EXPECT_GE(continued, 1);
    EXPECT_EQ(images, 1);
    for (std::uint16_t type : {0x4014, 0x4015, 0x401B, 0x4033, 0x4031})
        EXPECT_TRUE(std::any_of(plus.begin(), plus.end(), [type](const PlusRecord& p) { return p.type == type; }))
            << std::hex << type;

    // Plain readers draw the EMF records: the fill inside the clip only.
    Surface target(kSide, kSide);
    target.Fill(kWhite);
    ASSERT_TRUE(Play(bytes, target.dc(), RECT{0, 0, kSide, kSide}));
    EXPECT_EQ(target.Color(9, 9), RGB(0x20, 0x40, 0xC0));
    EXPECT_EQ(target.Color(4, 4), kWhite);
    EXPECT_EQ(target.Color(44, 44), kWhite);
}

TEST(AntiAliasedRecording, OnlyRecordingContextsRecord) {
    Surface plain(4, 4);
    EXPECT_EQ(AntiAliasedGraphics::ForRecording(plain.dc(), true, 96), nullptr);
    EXPECT_NE(AntiAliasedGraphics::FromDC(plain.dc()), nullptr);
}

}  // namespace
}  // namespace parch
