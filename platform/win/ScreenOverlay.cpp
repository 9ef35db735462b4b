#include "platform/win/ScreenOverlay.h"

#include <cstdint>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "platform/win/WinState.h"

namespace parch::win {

namespace {

constexpr std::uint32_t kOverlayColorBits = 0x00FFFFFFu;

struct OverlayState {
    int width = 0;
    int height = 0;
    // The exclusive-or of every change drawn on the screen, one word per pixel (colour bits).
    std::vector<std::uint32_t> marks;
    std::size_t marked = 0;  // marks that are not 0
    // The surface as the open screen contexts last saw it, to tell what they drew since.
    std::vector<std::uint32_t> seen;
    std::unordered_set<HDC> openContexts;
};

OverlayState& Overlay() {
    static auto* overlay = new OverlayState;
    return *overlay;
}

// A surface of another size starts a clean overlay.
bool FitOverlay(OverlayState& overlay, const GdiBitmap& surface) {
    if (overlay.width == surface.Width() && overlay.height == surface.Height()) return false;
    overlay.width = surface.Width();
    overlay.height = surface.Height();
    const std::size_t pixels = static_cast<std::size_t>(overlay.width) * overlay.height;
    overlay.marks.assign(pixels, 0);
    overlay.seen.assign(pixels, 0);
    overlay.marked = 0;
    return true;
}

std::size_t RowBytes(const OverlayState& overlay) { return static_cast<std::size_t>(overlay.width) * 4; }

void RememberSurface(OverlayState& overlay, const GdiBitmap& surface) {
    for (int y = 0; y < overlay.height; ++y)
        std::memcpy(&overlay.seen[static_cast<std::size_t>(y) * overlay.width], surface.Row(y), RowBytes(overlay));
}

void TakeChanges(OverlayState& overlay, const GdiBitmap& surface) {
    if (overlay.openContexts.empty() || FitOverlay(overlay, surface)) return;
    for (int y = 0; y < overlay.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(surface.Row(y));
        std::uint32_t* seen = &overlay.seen[static_cast<std::size_t>(y) * overlay.width];
        // Most rows are untouched: compare them whole before looking at pixels.
        if (std::memcmp(row, seen, RowBytes(overlay)) == 0) continue;
        std::uint32_t* marks = &overlay.marks[static_cast<std::size_t>(y) * overlay.width];
        for (int x = 0; x < overlay.width; ++x) {
            const std::uint32_t changed = (row[x] ^ seen[x]) & kOverlayColorBits;
            seen[x] = row[x];
            if (!changed) continue;
            const bool wasMarked = marks[x] != 0;
            marks[x] ^= changed;
            if (wasMarked != (marks[x] != 0)) overlay.marked += marks[x] ? 1 : -1;
        }
    }
}

}  // namespace

void ScreenContextOpened(HDC dc, const GdiBitmap& surface) {
    OverlayState& overlay = Overlay();
    FitOverlay(overlay, surface);
    if (overlay.openContexts.empty()) RememberSurface(overlay, surface);
    overlay.openContexts.insert(dc);
}

bool ScreenContextReleased(HDC dc, const GdiBitmap* surface) {
    OverlayState& overlay = Overlay();
    if (!overlay.openContexts.count(dc)) return false;
    if (surface) TakeChanges(overlay, *surface);
    overlay.openContexts.erase(dc);
    return true;
}

void TakeScreenDrawing(const GdiBitmap& surface) { TakeChanges(Overlay(), surface); }

void ApplyScreenOverlay(GdiBitmap& surface) {
    OverlayState& overlay = Overlay();
    FitOverlay(overlay, surface);
    if (overlay.marked) {
        for (int y = 0; y < overlay.height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(surface.Row(y));
            const std::uint32_t* marks = &overlay.marks[static_cast<std::size_t>(y) * overlay.width];
            for (int x = 0; x < overlay.width; ++x) row[x] ^= marks[x];
        }
    }
    if (!overlay.openContexts.empty()) RememberSurface(overlay, surface);
}

bool ScreenOverlayShown() {
    Lock lock(S().mutex);
    return Overlay().marked != 0;
}

}  // namespace parch::win
