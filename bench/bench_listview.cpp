// A 100,000-item report view (four columns, small icons), sorted, then shown screen by screen
// over 2,000 rows: each step scrolls a page and paints the client area through WM_PRINTCLIENT
// into a memory picture. The peer is Pango with cairo drawing the same cells (one layout per
// cell, same face and size) and the same icons (cairo_set_source_surface + paint) screen by
// screen into an image surface, in the same run. vs_pangocairo below 1 means we are faster.

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "PeerComparison.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/win/WinApi.h"

namespace {

using namespace parch;
using parch::bench::CompareWithPeers;

constexpr int kItems = 100000;
constexpr int kRowsShown = 2000;
constexpr int kWidth = 560;
constexpr int kHeight = 420;
constexpr int kPixelSize = 13;
constexpr int kIcon = 16;
const int kColumnWidths[4] = {220, 110, 110, 120};

// Both sides use the fonts the tests pin, so both draw Liberation Sans.
const bool kFontsPinned = [] {
    setenv("FONTCONFIG_FILE", PARCH_SOURCE_DIR "/tests/platform/gdi/fonts.conf", 1);
    return true;
}();

std::string CellText(int item, int column) {
    switch (column) {
        case 0: return "Document " + std::to_string((item * 7919) % kItems) + ".pdf";
        case 1: return std::to_string((item * 31) % 9000 + 10) + " KB";
        case 2: return item % 3 ? "PDF document" : "Text file";
        default: return "2026-0" + std::to_string(item % 9 + 1) + "-1" + std::to_string(item % 10);
    }
}

int CompareByValue(LPARAM a, LPARAM b, LPARAM) {
    LPARAM ka = (a * 7919) % kItems, kb = (b * 7919) % kItems;
    return ka < kb ? -1 : ka > kb ? 1 : 0;
}

class OurList {
public:
    OurList() : display_(1024, 768) {
        font_ = CreateFont(-kPixelSize, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Liberation Sans");
        list_ = CreateWindowEx(0, "SysListView32", "", WS_POPUP | WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 0, kWidth,
                               kHeight, nullptr, nullptr, nullptr, nullptr);
        SendMessage(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
        images_ = ImageList_Create(kIcon, kIcon, ILC_COLOR32, 2, 1);
        for (COLORREF colour : {RGB(200, 40, 40), RGB(40, 120, 200)}) {
            HICON icon = SolidIcon(colour);
            ImageList_AddIcon(images_, icon);
            DestroyIcon(icon);
        }
        SendMessage(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_));
        for (int c = 0; c < 4; ++c) {
            std::string title = "Column " + std::to_string(c);
            LVCOLUMN column;
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = title.data();
            column.cx = kColumnWidths[c];
            SendMessage(list_, LVM_INSERTCOLUMN, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
        }
        SendMessage(list_, WM_SETREDRAW, 0, 0);
        for (int i = 0; i < kItems; ++i) {
            std::string caption = CellText(i, 0);
            LVITEM item;
            item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
            item.iItem = i;
            item.pszText = caption.data();
            item.lParam = i;
            item.iImage = i % 2;
            SendMessage(list_, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
            for (int c = 1; c < 4; ++c) {
                std::string text = CellText(i, c);
                LVITEM sub;
                sub.iSubItem = c;
                sub.pszText = text.data();
                SendMessage(list_, LVM_SETITEMTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&sub));
            }
        }
        SendMessage(list_, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&CompareByValue));
        SendMessage(list_, WM_SETREDRAW, 1, 0);
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~OurList() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
        DestroyWindow(list_);
        ImageList_Destroy(images_);
        DeleteObject(font_);
    }

    void ShowScreens() {
        SendMessage(list_, WM_VSCROLL, SB_TOP, 0);
        int page = static_cast<int>(SendMessage(list_, LVM_GETCOUNTPERPAGE, 0, 0));
        for (int shown = 0; shown < kRowsShown; shown += page) {
            SendMessage(list_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
            SendMessage(list_, WM_VSCROLL, SB_PAGEDOWN, 0);
        }
    }

private:
    static HICON SolidIcon(COLORREF colour) {
        IconImage image;
        image.width = image.height = kIcon;
        const std::uint32_t bgra = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
        image.color.assign(kIcon * kIcon, bgra);
        image.mask.assign(kIcon * kIcon, 0);
        return CreateIconFromImage(std::move(image), true, POINT{0, 0});
    }

    HeadlessDisplay display_;
    HFONT font_ = nullptr;
    HWND list_ = nullptr;
    HIMAGELIST images_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The same rows as pango-cairo draws them: one layout per cell, icons painted from surfaces.
class PangoList {
public:
    PangoList() {
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
        context_ = cairo_create(surface_);
        font_ = pango_font_description_from_string("Liberation Sans");
        pango_font_description_set_absolute_size(font_, kPixelSize * PANGO_SCALE);
        for (int i = 0; i < 2; ++i) {
            icons_[i] = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kIcon, kIcon);
            cairo_t* c = cairo_create(icons_[i]);
            cairo_set_source_rgb(c, i ? 0.16 : 0.78, i ? 0.47 : 0.16, i ? 0.78 : 0.16);
            cairo_paint(c);
            cairo_destroy(c);
        }
        order_.resize(kItems);
        for (int i = 0; i < kItems; ++i) order_[static_cast<std::size_t>(i)] = i;
        std::stable_sort(order_.begin(), order_.end(), [](int a, int b) { return CompareByValue(a, b, 0) < 0; });
        for (int i = 0; i < kItems; ++i)
            for (int c = 0; c < 4; ++c) texts_.push_back(CellText(order_[static_cast<std::size_t>(i)], c));
    }
    ~PangoList() {
        for (cairo_surface_t* icon : icons_) cairo_surface_destroy(icon);
        pango_font_description_free(font_);
        cairo_destroy(context_);
        cairo_surface_destroy(surface_);
    }

    void ShowScreens() {
        const int rowHeight = 18, headerHeight = 22;
        const int page = (kHeight - headerHeight) / rowHeight;
        for (int top = 0; top < kRowsShown; top += page) {
            cairo_set_source_rgb(context_, 1, 1, 1);
            cairo_paint(context_);
            for (int row = 0; row <= page && top + row < kItems; ++row) {
                int item = top + row, y = headerHeight + row * rowHeight, x = 0;
                cairo_set_source_surface(context_, icons_[order_[static_cast<std::size_t>(item)] % 2], 2, y + 1);
                cairo_paint(context_);
                for (int c = 0; c < 4; ++c) {
                    PangoLayout* layout = pango_cairo_create_layout(context_);
                    pango_layout_set_font_description(layout, font_);
                    const std::string& text = texts_[static_cast<std::size_t>(item) * 4 + static_cast<std::size_t>(c)];
                    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
                    pango_layout_set_width(layout, (kColumnWidths[c] - 4) * PANGO_SCALE);
                    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
                    cairo_set_source_rgb(context_, 0, 0, 0);
                    cairo_move_to(context_, x + (c == 0 ? kIcon + 4 : 2), y + 1);
                    pango_cairo_show_layout(context_, layout);
                    g_object_unref(layout);
                    x += kColumnWidths[c];
                }
            }
            cairo_surface_flush(surface_);
        }
    }

private:
    cairo_surface_t* surface_ = nullptr;
    cairo_t* context_ = nullptr;
    PangoFontDescription* font_ = nullptr;
    cairo_surface_t* icons_[2] = {nullptr, nullptr};
    std::vector<int> order_;
    std::vector<std::string> texts_;
};

void BM_ReportViewScreens(benchmark::State& state) {
    OurList ours;
    PangoList pango;
    CompareWithPeers(state, [&] { ours.ShowScreens(); }, {bench::Peer("pangocairo", [&] { pango.ShowScreens(); })});
}
BENCHMARK(BM_ReportViewScreens)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Building the list: 100,000 insertions at the end with three sub-items each, then the sort.
void BM_ReportViewFillAndSort(benchmark::State& state) {
    for (auto _ : state) {
        OurList list;
        benchmark::DoNotOptimize(&list);
    }
}
BENCHMARK(BM_ReportViewFillAndSort)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
