#pragma once
// The single entry object of the PDF library: open PDF files or streams, read the last error
// code, count the pages of the selected document, select pages and standard fonts. It keeps
// every document it opened and hands out identifiers for the objects it exposes.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/core/ScrivletGDIPlusSettings.h"

namespace parch {

class TPDFDocument;
class TPDFFont;
class TStream;

// Error codes of the last open.
inline constexpr std::int32_t kScrivletOk = 0;
inline constexpr std::int32_t kScrivletUnreadable = 401;
// Encrypted with a handler, crypt filter or revision the library does not implement, so no
// password can open it. Callers treat it as unreadable (401), never as "password needed".
inline constexpr std::int32_t kScrivletUnsupportedEncryption = 403;
inline constexpr std::int32_t kScrivletPasswordNeeded = 404;

// Identifiers are this base plus the object's index in the identifier list.
inline constexpr std::uint32_t kScrivletIdBase = 0x58000000;

class TScrivlet {
public:
    TScrivlet();
    virtual ~TScrivlet();
    TScrivlet(const TScrivlet&) = delete;
    TScrivlet& operator=(const TScrivlet&) = delete;

    // 1 when the file opened and became the selected document; 0 otherwise, with a non-zero
    // error code. The path is UTF-8.
    int OpenPdfFile(const std::string& path, std::u16string_view password);
    int OpenPdfStream(TStream& stream, std::u16string_view password);
    std::int32_t ErrorCode() const { return lastError_; }
    std::int32_t CountPages() const;
    // The text the last render produced (pages are rendered by RenderPageImage of the
    // renderer, pdf/render/ScrivletRenderCall.h).
    const std::string& Message() const { return outputText_; }
    void SetMessage(std::string text) { outputText_ = std::move(text); }

    std::uint32_t RegisterObjectId(TPDFDocument* document);
    std::uint32_t RegisterObjectId(TPDFFont* font);
    const void* ObjectFromId(std::uint32_t id) const;
    TPDFDocument* DocumentFromId(std::uint32_t id) const;
    TPDFFont* FontFromId(std::uint32_t id) const;

    int UseDocument(std::uint32_t id);
    std::int32_t SelectedPage() const;
    int GoToPage(std::int32_t page);
    int UseFont(std::uint32_t id);
    std::uint32_t SelectedFontId();
    double FontSize() const;
    int SetFontSize(double size);
    void EnsureFont();
    std::uint32_t AddStandardFont(int number);

    TPDFDocument* SelectedDocument() const { return selected_; }
    // UTF-8, with a trailing "/".
    const std::string& TemporaryFolder() const { return temporaryFolder_; }

    std::int32_t JpegQuality = 75;
    double RenderScale = 1.0;
    std::int32_t PageBox = 2;  // 1 media, 2 crop, 3 bleed, 4 trim, 5 art box
    // Handed to every render: anti-aliased drawing on.
    TGDIPlusSettings GDIPlusSettings{u"gdiplus.dll", 1, 1, 1, 0};

private:
    struct IdEntry {
        TPDFDocument* Document = nullptr;
        TPDFFont* Font = nullptr;
    };

    std::uint32_t Register(const IdEntry& entry);
    const IdEntry* EntryFromId(std::uint32_t id) const;
    int AdoptDocument(std::unique_ptr<TPDFDocument> document);

    std::vector<std::unique_ptr<TPDFDocument>> documents_;
    TPDFDocument* selected_ = nullptr;
    TPDFFont* currentFont_ = nullptr;
    std::int32_t lastError_ = kScrivletOk;
    std::string temporaryFolder_;
    std::string outputText_;
    std::vector<IdEntry> ids_;
};

// The class that callers instantiate.
class TScrivlet0813 : public TScrivlet {
public:
    std::int32_t Reserved = 0;  // kept for callers of the full library; nothing uses it
};

// "Scrivlet Library 8.13" and the library's web address.
extern const char* const kScrivletBanner;

}  // namespace parch
