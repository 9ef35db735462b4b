#include "pdf/render/ScrivletRenderCall.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "pdf/core/Scrivlet0813.h"
#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/render/ScrivletPageOutput.h"

namespace parch {

int RenderPageImage(TScrivlet& api, int resolution, int page, int kind, TStream& stream) {
    api.SetMessage({});
    const std::int32_t remembered = api.SelectedPage();
    TPDFDocument* document = api.SelectedDocument();
    TPDFPageTree* pageTree = document ? document->PageTree() : nullptr;
    if (!pageTree) {
        api.SetMessage("The document has no pages");
        return 0;
    }
    const std::int32_t count = api.CountPages();
    page = std::min(std::max(page, 1), count);

    std::string message;
    bool written = false;
    struct PageKeeper {
        TScrivlet& Api;
        std::int32_t Page;
        ~PageKeeper() { Api.GoToPage(Page); }
    } keeper{api, remembered};
    written = PaintPageToStream(*pageTree, page, kind, api.PageBox, message, stream, api.GDIPlusSettings,
                                static_cast<std::uint8_t>(std::clamp(api.JpegQuality, 0, 100)),
                                resolution * api.RenderScale);
    api.SetMessage(message);
    return written ? 1 : 0;
}

}  // namespace parch
