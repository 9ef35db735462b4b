#include "pdf/core/Scrivlet0813.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>

#include "pdf/core/ScrivletDocument.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletFont.h"
#include "pdf/core/ScrivletPageTree.h"
#include "pdf/core/ScrivletPainter.h"

namespace parch {

const char* const kScrivletBanner = "Scrivlet Library 8.13 (https://www.tolvane.com/scrivlet)";

namespace {

std::string ReadTemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/') path += '/';
    return path;
}

std::u16string ToWide(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace

TScrivlet::TScrivlet() : temporaryFolder_(ReadTemporaryFolder()) {
    auto blank = std::make_unique<TPDFDocument>();
    blank->NewEmptyDocument();
    const std::u16string banner = ToWide(kScrivletBanner);
    const std::u16string now = ToWide(CurrentPDFDate());
    blank->SetInformation({{"Producer", banner}, {"Creator", banner}, {"CreationDate", now}, {"ModDate", now}});
    TPDFDocument* document = blank.get();
    documents_.push_back(std::move(blank));
    UseDocument(RegisterObjectId(document));
    GoToPage(1);
}

TScrivlet::~TScrivlet() = default;

int TScrivlet::OpenPdfFile(const std::string& path, std::u16string_view password) {
    // Every failure sets a code, so that no caller lists an unreadable file as a document.
    lastError_ = kScrivletUnreadable;
    if (path.empty() || !WideFileExists(path)) return 0;
    try {
        TScrivletWideFileStream stream(path, fmOpenRead | fmShareDenyWrite);
        if (OpenPdfStream(stream, password) != 1) return 0;
        selected_->SetFileName(path);
        return 1;
    } catch (const std::exception&) {
        lastError_ = kScrivletUnreadable;
        return 0;
    }
}

int TScrivlet::OpenPdfStream(TStream& stream, std::u16string_view password) {
    lastError_ = kScrivletOk;
    auto document = std::make_unique<TPDFDocument>();
    switch (document->ReadDocument(stream, password)) {
        case kOpenOk:
            return AdoptDocument(std::move(document));
        case kOpenPasswordNeeded:
            lastError_ = kScrivletPasswordNeeded;
            return 0;
        case kOpenUnsupportedEncryption:
            lastError_ = kScrivletUnsupportedEncryption;
            return 0;
        default:
            lastError_ = kScrivletUnreadable;
            return 0;
    }
}

int TScrivlet::AdoptDocument(std::unique_ptr<TPDFDocument> document) {
    TPDFDocument* opened = document.get();
    documents_.push_back(std::move(document));
    return UseDocument(RegisterObjectId(opened));
}

std::int32_t TScrivlet::CountPages() const {
    return selected_ && selected_->PageTree() ? selected_->PageTree()->GetPageCount() : 0;
}

std::uint32_t TScrivlet::Register(const IdEntry& entry) {
    for (std::size_t i = 0; i < ids_.size(); ++i)
        if (ids_[i].Document == entry.Document && ids_[i].Font == entry.Font)
            return kScrivletIdBase + static_cast<std::uint32_t>(i);
    ids_.push_back(entry);
    return kScrivletIdBase + static_cast<std::uint32_t>(ids_.size() - 1);
}

std::uint32_t TScrivlet::RegisterObjectId(TPDFDocument* document) {
    return document ? Register({document, nullptr}) : 0;
}

std::uint32_t TScrivlet::RegisterObjectId(TPDFFont* font) { return font ? Register({nullptr, font}) : 0; }

const TScrivlet::IdEntry* TScrivlet::EntryFromId(std::uint32_t id) const {
    if ((id & kScrivletIdBase) != kScrivletIdBase) return nullptr;
    const std::uint32_t index = id & 0x07FFFFFF;
    return index < ids_.size() ? &ids_[index] : nullptr;
}

const void* TScrivlet::ObjectFromId(std::uint32_t id) const {
    const IdEntry* entry = EntryFromId(id);
    if (!entry) return nullptr;
    return entry->Document ? static_cast<const void*>(entry->Document) : static_cast<const void*>(entry->Font);
}

TPDFDocument* TScrivlet::DocumentFromId(std::uint32_t id) const {
    const IdEntry* entry = EntryFromId(id);
    return entry ? entry->Document : nullptr;
}

TPDFFont* TScrivlet::FontFromId(std::uint32_t id) const {
    const IdEntry* entry = EntryFromId(id);
    return entry ? entry->Font : nullptr;
}

int TScrivlet::UseDocument(std::uint32_t id) {
    TPDFDocument* document = DocumentFromId(id);
    const bool ours = document && std::any_of(documents_.begin(), documents_.end(),
                                              [document](const auto& owned) { return owned.get() == document; });
    if (!ours) return 0;
    selected_ = document;
    currentFont_ = document->GetFont(0);
    return 1;
}

std::int32_t TScrivlet::SelectedPage() const {
    return selected_ && selected_->PageTree() ? selected_->PageTree()->CurrentPage : 0;
}

int TScrivlet::GoToPage(std::int32_t page) {
    if (!selected_ || !selected_->PageTree()) return 0;
    TPDFPageTree& tree = *selected_->PageTree();
    const double size = tree.Painter->FontSize;
    tree.SelectPage(page);
    UseFont(SelectedFontId());
    if (size > 0 && currentFont_) tree.Painter->SetFont(currentFont_, size);
    return tree.CurrentPage == page ? 1 : 0;
}

int TScrivlet::UseFont(std::uint32_t id) {
    TPDFFont* font = FontFromId(id);
    if (!font || !selected_ || !selected_->HasFont(font)) return 0;
    currentFont_ = font;
    selected_->PageTree()->SetPageFont(*font);
    selected_->PageTree()->Painter->SetFont(font, 12);
    return 1;
}

std::uint32_t TScrivlet::SelectedFontId() { return RegisterObjectId(currentFont_); }

double TScrivlet::FontSize() const {
    return selected_ && selected_->PageTree() ? selected_->PageTree()->Painter->FontSize : 0;
}

int TScrivlet::SetFontSize(double size) {
    EnsureFont();
    if (!currentFont_) return 0;
    selected_->PageTree()->Painter->SetFont(currentFont_, size);
    return 1;
}

void TScrivlet::EnsureFont() {
    if (selected_ && (!currentFont_ || selected_->FontCount() == 0)) AddStandardFont(4);
}

std::uint32_t TScrivlet::AddStandardFont(int number) {
    if (!selected_) return 0;
    TPDFFont* font = selected_->AddStandardFont(number);
    if (!font) return 0;
    const std::uint32_t id = RegisterObjectId(font);
    UseFont(id);
    return id;
}

}  // namespace parch
