// A 10,000-line word-wrapped memo: a multi-line "Edit" laying the text out and painting it
// page by page to its end (WM_PRINTCLIENT into a memory bitmap, then SB_PAGEDOWN), against
// Pango laying out the same text at the same width in the same face and size and drawing the
// same pages into a cairo image surface of the same size. vs_pango below 1 means we are faster.

#include <benchmark/benchmark.h>
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
#include "platform/win/WinApi.h"

namespace {

using namespace parch;
using parch::bench::CompareWithPeers;

constexpr int kClientWidth = 600;
constexpr int kClientHeight = 400;
constexpr int kPixelSize = 13;  // 10 points at 96 dots per inch
constexpr int kLines = 10000;

const bool kFontsPinned = [] {
    setenv("FONTCONFIG_FILE", PARCH_SOURCE_DIR "/tests/platform/gdi/fonts.conf", 1);
    return true;
}();

// Paragraphs of varied lengths (empty ones among them), from a fixed sequence of words.
std::string MemoText() {
    static const char* const kWords[] = {"the", "memo", "lists", "documents", "extracted", "from", "archive",
                                         "pages", "with", "their", "fonts,", "images", "and", "annotations;",
                                         "each", "entry", "notes", "a", "reviewer", "comment.", "Totals:",
                                         "1,204", "pages", "in", "37", "files", "(2.1 MB)"};
    std::string text;
    unsigned seed = 12345;
    for (int line = 0; line < kLines; ++line) {
        seed = seed * 1103515245u + 12345u;
        const int words = static_cast<int>((seed >> 16) % 41);  // 0 to 40 words: up to about three wrapped lines
        for (int w = 0; w < words; ++w) {
            seed = seed * 1103515245u + 12345u;
            if (w) text += ' ';
            text += kWords[(seed >> 16) % std::size(kWords)];
        }
        if (line + 1 < kLines) text += "\r\n";
    }
    return text;
}

class MemoEdit {
public:
    explicit MemoEdit(const std::string& text) : text_(text) {
        RECT r{0, 0, kClientWidth, kClientHeight};
        AdjustWindowRectEx(&r, WS_POPUP | WS_VSCROLL, 0, 0);
        edit_ = CreateWindowEx(0, "Edit", "", WS_POPUP | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE, 0, 0,
                               r.right - r.left + GetSystemMetrics(SM_CXVSCROLL), r.bottom - r.top, nullptr, nullptr,
                               nullptr, nullptr);
        font_ = CreateFont(-kPixelSize, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
        SendMessage(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
        SendMessage(edit_, EM_LIMITTEXT, 0, 0);
        GetClientRect(edit_, &client_);
        picture_ = CreateBitmap(client_.right, client_.bottom, 1, 32, nullptr);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, picture_);
    }
    ~MemoEdit() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(picture_);
        DestroyWindow(edit_);
        DeleteObject(font_);
    }
    MemoEdit(const MemoEdit&) = delete;
    MemoEdit& operator=(const MemoEdit&) = delete;

    // The width the text wraps at.
    int WrapWidth() const {
        RECT format{};
        SendMessage(edit_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        return format.right - format.left;
    }
    SIZE ClientSize() const { return {client_.right, client_.bottom}; }

    // Lays the text out and paints every page; answers the pages painted.
    int Run() {
        SetWindowText(edit_, text_.c_str());
        int pages = 0;
        for (LRESULT first = -1; first != SendMessage(edit_, EM_GETFIRSTVISIBLELINE, 0, 0);) {
            first = SendMessage(edit_, EM_GETFIRSTVISIBLELINE, 0, 0);
            SendMessage(edit_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
            ++pages;
            SendMessage(edit_, WM_VSCROLL, SB_PAGEDOWN, 0);
        }
        return pages;
    }
    LRESULT LineCount() const { return SendMessage(edit_, EM_GETLINECOUNT, 0, 0); }

private:
    const std::string& text_;
    HWND edit_ = nullptr;
    HFONT font_ = nullptr;
    RECT client_{};
    HBITMAP picture_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

class PangoMemo {
public:
    PangoMemo(const std::string& text, int wrapWidth, SIZE page) : text_(text), page_(page) {
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, page.cx, page.cy);
        cairo_ = cairo_create(surface_);
        font_ = pango_font_description_from_string("DejaVu Sans");
        pango_font_description_set_absolute_size(font_, kPixelSize * PANGO_SCALE);
        wrapWidth_ = wrapWidth;
    }
    ~PangoMemo() {
        pango_font_description_free(font_);
        cairo_destroy(cairo_);
        cairo_surface_destroy(surface_);
    }
    PangoMemo(const PangoMemo&) = delete;
    PangoMemo& operator=(const PangoMemo&) = delete;

    // Lays the text out and draws every page, the lines of each at their place on it. Each
    // paragraph is a layout of its own, as a text view keeps them: one layout of the whole
    // memo costs Pango far more.
    int Run() {
        std::vector<PangoLayout*> layouts;
        std::vector<Placed> lines;
        int y = 0;
        for (std::size_t from = 0; from <= text_.size();) {
            std::size_t end = text_.find("\r\n", from);
            if (end == std::string::npos) end = text_.size();
            PangoLayout* layout = pango_cairo_create_layout(cairo_);
            pango_layout_set_font_description(layout, font_);
            pango_layout_set_width(layout, wrapWidth_ * PANGO_SCALE);
            pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
            pango_layout_set_text(layout, text_.data() + from, static_cast<int>(end - from));
            layouts.push_back(layout);
            PlaceLines(layout, y, lines);
            from = end + 2;
        }
        const int lineHeight = lines.empty() ? 1 : std::max(1, lines.front().bottom - lines.front().top);
        const int pageStep = std::max(1, page_.cy / lineHeight - 1) * lineHeight;
        int pages = 0;
        std::size_t first = 0;
        for (int top = 0;; top += pageStep) {
            cairo_set_source_rgb(cairo_, 1, 1, 1);
            cairo_paint(cairo_);
            cairo_set_source_rgb(cairo_, 0, 0, 0);
            while (first < lines.size() && lines[first].bottom <= top) ++first;
            for (std::size_t i = first; i < lines.size() && lines[i].top < top + page_.cy; ++i) {
                cairo_move_to(cairo_, 1, lines[i].baseline - top);
                pango_cairo_show_layout_line(cairo_, lines[i].line);
            }
            cairo_surface_flush(surface_);
            ++pages;
            if (top + page_.cy >= y) break;
        }
        for (PangoLayout* layout : layouts) g_object_unref(layout);
        lineCount_ = lines.size();
        lineHeight_ = lineHeight;
        return pages;
    }

private:
    struct Placed {
        PangoLayoutLine* line;
        int top, bottom, baseline;  // pixels from the top of the memo
    };

    // The lines of one paragraph's layout, placed below y; y moves past them.
    static void PlaceLines(PangoLayout* layout, int& y, std::vector<Placed>& lines) {
        PangoLayoutIter* it = pango_layout_get_iter(layout);
        int bottom = 0;
        do {
            int top = 0;
            pango_layout_iter_get_line_yrange(it, &top, &bottom);
            lines.push_back({pango_layout_iter_get_line_readonly(it), y + top / PANGO_SCALE, y + bottom / PANGO_SCALE,
                             y + pango_layout_iter_get_baseline(it) / PANGO_SCALE});
        } while (pango_layout_iter_next_line(it));
        pango_layout_iter_free(it);
        y += bottom / PANGO_SCALE;
    }

    const std::string& text_;
    SIZE page_;
    std::size_t lineCount_ = 0;
    int lineHeight_ = 0;

public:
    std::size_t LineCount() const { return lineCount_; }
    int LineHeight() const { return lineHeight_; }

private:
    int wrapWidth_ = 0;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cairo_ = nullptr;
    PangoFontDescription* font_ = nullptr;
};

void BM_MemoLayoutAndPaint(benchmark::State& state) {
    HeadlessDisplay display;
    const std::string text = MemoText();
    MemoEdit ours(text);
    PangoMemo pango(text, ours.WrapWidth(), ours.ClientSize());
    int ourPages = ours.Run();  // both sides start with their glyph caches filled
    int pangoPages = pango.Run();
    CompareWithPeers(state, [&] { ourPages = ours.Run(); }, {{"pango", [&] { pangoPages = pango.Run(); }}});
    state.counters["pages"] = ourPages;
    state.counters["pango_pages"] = pangoPages;
    state.counters["lines"] = static_cast<double>(ours.LineCount());
    state.counters["pango_lines"] = static_cast<double>(pango.LineCount());
    state.counters["pango_line_height"] = pango.LineHeight();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MemoLayoutAndPaint)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
