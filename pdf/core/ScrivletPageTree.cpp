#include "pdf/core/ScrivletPageTree.h"

#include <algorithm>

#include "pdf/core/ScrivletFilters.h"
#include "pdf/core/ScrivletFont.h"
#include "pdf/core/ScrivletPainter.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch {

namespace {

TPDFObject* Resolved(TPDFObject* object) {
    if (object && object->Kind == kPDFKindIndRef) return static_cast<TPDFIndRef*>(object)->Resolve();
    return object;
}




bool SameTarget(const TPDFIndRef* a, const TPDFIndRef* b) {
    return a && b && a->RefObjectNumber == b->RefObjectNumber &&
           a->RefGenerationNumber == b->RefGenerationNumber;
}

}  // namespace

TPDFPageTree::TPDFPageTree(TPDFDictionary* pages)
    : Painter(std::make_unique<TPDFPainter>(this)), Annots(std::make_unique<TPDFAnnots>()) {
    Painter->OnFlush = [this](TPDFPainter&) { FlushPainter(); };
    Annots->OnPageIndex = [this](const TPDFIndRef* reference) { return GetPageRefIndex(reference); };
    if (!pages) return;
    Structure = pages->Structure;
    Root = pages;
    Painter->Precision = Structure ? Structure->DecimalPlaces : 4;
    SelectPage(1);
}

TPDFPageTree::~TPDFPageTree() = default;

std::int32_t TPDFPageTree::GetPageCount() const {
    if (!Root) return 0;
    if (RootIsPage()) return 1;
    return NodeCount(Root);
}

// A root written as the page itself: typed so, or without /Kids but with content.
bool TPDFPageTree::RootIsPage() const {
    if (Root->GetTypeName() == "Page") return true;
    return !AsArray(Resolved(Root->GetValue("Kids"))) && Root->GetValue("Contents");
}

// The fast path reads /Count alone; only a count that cannot be right costs a walk.
std::int32_t TPDFPageTree::NodeCount(TPDFDictionary* node) const {
    if (const TPDFNumeric* count = AsNumber(Resolved(node->GetValue("Count")))) {
        const std::int64_t value = count->GetInteger();
        const bool bounded = !OnObjectCount || value <= static_cast<std::int64_t>(OnObjectCount());
        if (value >= 0 && bounded) return value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
    }
    if (const auto known = countedLeaves_.find(node); known != countedLeaves_.end()) return known->second;
    std::int32_t leaves = 0;
    if (TPDFArray* kids = AsArray(Resolved(node->GetValue("Kids")))) {
        std::unordered_set<const TPDFObject*> visited{node};
        leaves = CountLeaves(kids, 0, visited);
    }
    countedLeaves_.emplace(node, leaves);
    return leaves;
}

// The pages a walk can reach (see WalkKids): referenced /Page leaves under /Pages nodes, each
// node entered once.
std::int32_t TPDFPageTree::CountLeaves(TPDFArray* kids, int depth, std::unordered_set<const TPDFObject*>& visited) const {
    if (depth > kMaxTreeDepth) return 0;
    std::int64_t leaves = 0;
    for (int i = 0; i < kids->GetCount() && leaves < INT32_MAX; ++i) {
        TPDFObject* item = kids->GetItem(i);
        if (!item || item->Kind != kPDFKindIndRef) continue;
        TPDFDictionary* node = AsDictionary(Resolved(item));
        if (!node) continue;
        const std::string type = node->GetTypeName();
        if (type == "Page") {
            ++leaves;
        } else if (type == "Pages" && visited.insert(node).second) {
            if (TPDFArray* inner = AsArray(Resolved(node->GetValue("Kids"))))
                leaves += CountLeaves(inner, depth + 1, visited);
        }
    }
    return static_cast<std::int32_t>(std::min<std::int64_t>(leaves, INT32_MAX));
}

void TPDFPageTree::RememberRef(TPDFIndRef* reference, TPDFArray* kids) {
    CurrentRef = reference;
    CurrentKids = kids;
    CurrentRefNum = reference ? reference->RefObjectNumber : 0;
    CurrentRefGen = reference ? reference->RefGenerationNumber : 0;
}

TPDFDictionary* TPDFPageTree::GetPageDict(std::int32_t n) {
    const std::int32_t count = GetPageCount();
    if (n < 1 || n > count) return nullptr;
    CurrentParent = Root;
    if (RootIsPage()) {
        RememberRef(nullptr, nullptr);
        PageCache[0] = Root;
        return Root;
    }
    TPDFArray* kids = AsArray(Resolved(Root->GetValue("Kids")));
    if (!kids) return nullptr;

    TPDFDictionary* page = nullptr;
    if (kids->GetCount() == count) {
        TPDFObject* item = kids->GetItem(n - 1);
        RememberRef(item && item->Kind == kPDFKindIndRef ? static_cast<TPDFIndRef*>(item) : nullptr, kids);
        TPDFDictionary* candidate = AsDictionary(Resolved(item));
        if (candidate && candidate->GetTypeName() == "Page") page = candidate;
    }
    if (!page) {
        std::int32_t passed = 0;
        std::unordered_set<const TPDFObject*> visited{Root};
        page = WalkKids(kids, n, passed, 0, visited);
    }
    if (page) PageCache[n - 1] = page;
    return page;
}

TPDFDictionary* TPDFPageTree::WalkKids(TPDFArray* kids, std::int32_t n, std::int32_t& passed, int depth,
                                       std::unordered_set<const TPDFObject*>& visited) {
    if (depth > kMaxTreeDepth) return nullptr;
    for (int i = 0; i < kids->GetCount(); ++i) {
        TPDFObject* item = kids->GetItem(i);
        if (!item || item->Kind != kPDFKindIndRef) continue;
        RememberRef(static_cast<TPDFIndRef*>(item), kids);
        TPDFDictionary* node = AsDictionary(Resolved(item));
        if (!node) continue;
        const std::string type = node->GetTypeName();
        if (type == "Pages") {
            // A node met twice is a loop: it neither counts nor is entered again.
            if (!visited.insert(node).second) continue;
            const std::int64_t k = NodeCount(node);
            if (passed + k < n) {
                passed = static_cast<std::int32_t>(passed + k);
                continue;
            }
            if (TPDFArray* inner = AsArray(Resolved(node->GetValue("Kids")))) {
                CurrentParent = node;
                return WalkKids(inner, n, passed, depth + 1, visited);
            }
        } else if (type == "Page") {
            if (passed + 1 == n) return node;
            ++passed;
        }
    }
    return nullptr;
}

TPDFIndRef* TPDFPageTree::NewIndirectRef(TPDFObject* object) {
    std::int32_t number = 0;
    std::int32_t generation = 0;
    if (Structure->OnNewIndirectObject) Structure->OnNewIndirectObject(nullptr, object, number, generation);
    return Structure->NewIndRef(number, generation);
}

// A stream marked as ours, so that a later selection finds it and adds no other.
TPDFStream* TPDFPageTree::NewMarkedStream() {
    TPDFStream* stream = Structure->NewStream({}, false);
    stream->StreamDict->SetValue("LC", Structure->GetCommonName("dWRM"));
    return stream;
}

void TPDFPageTree::SelectPage(std::int32_t n) {
    if (!Structure) return;
    if (n < 1 || n > GetPageCount()) n = CurrentPage;
    PageSelected = false;
    TPDFDictionary* page = nullptr;
    const auto cached = PageCache.find(n - 1);
    page = cached != PageCache.end() ? cached->second : GetPageDict(n);
    if (page) {
        CurrentPage = n;
        CurrentPageDict = page;
        ContentStreams.clear();
        if (TPDFArray* annots = AsArray(Resolved(page->GetValue("Annots"))))
            Annots->SetAnnots(annots);
        else
            Annots->Clear();

        TPDFObject* contents = page->GetValue("Contents");
        TPDFArray* list = nullptr;
        if (!contents) {
            list = Structure->NewArray();
            list->Add(NewIndirectRef(NewMarkedStream()));
            page->SetValue("Contents", list);
        } else if (contents->Kind == kPDFKindIndRef) {
            list = AsArray(static_cast<TPDFIndRef*>(contents)->Resolve());
            if (!list) {
                list = Structure->NewArray();
                list->Add(contents);
                page->SetValue("Contents", list);
            }
        } else {
            list = AsArray(contents);
        }

        if (list) {
            TPDFStream* last = AsStream(Resolved(list->GetItem(list->GetCount() - 1)));
            const TPDFObject* mark = last ? last->StreamDict->GetValue("LC") : nullptr;
            const bool ours = mark && mark->Kind == kPDFKindName &&
                              static_cast<const TPDFName*>(mark)->NameBytes == "dWRM";
            if (!ours || last->Data.size() > kMaxMarkedStreamSize) list->Add(NewIndirectRef(NewMarkedStream()));

            for (int i = 0; i < list->GetCount(); ++i) {
                TPDFStream* stream = AsStream(Resolved(list->GetItem(i)));
                if (!stream) {
                    stream = Structure->NewStream({}, false);
                    list->ReplaceItem(i, NewIndirectRef(stream));
                }
                ContentStreams.push_back(stream);
            }

            Painter->Precision = Structure->DecimalPlaces;
            auto flush = std::move(Painter->OnFlush);
            Painter->OnFlush = nullptr;
            Painter->Reset();
            Painter->OnFlush = std::move(flush);
            std::string text;
            try {
                text = GetDecodedData(*ContentStreams.back());
            } catch (const Exception&) {
                text.clear();  // damaged content: the painter starts empty
            }
            Painter->LoadText(text);
            ContentCount = static_cast<std::int32_t>(ContentStreams.size());
            PageSelected = true;
        }
    }
    if (OnPageSelected) OnPageSelected(page);
}

void TPDFPageTree::FlushPainter() {
    if (ContentCount > 0 && ContentCount <= static_cast<std::int32_t>(ContentStreams.size()))
        ContentStreams[static_cast<std::size_t>(ContentCount) - 1]->SetData(Painter->GetText(), false);
}

TPDFDictionary* TPDFPageTree::GetResources() {
    if (!CurrentPageDict) return nullptr;
    TPDFObject* value = CurrentPageDict->GetValue("Resources");
    if (!value) {
        GetPageDict(CurrentPage);
        if (CurrentParent && CurrentParent != CurrentPageDict) value = CurrentParent->GetValue("Resources");
    }
    if (!value) {
        TPDFDictionary* fresh = Structure->NewDictionary();
        CurrentPageDict->SetValue("Resources", fresh);
        return fresh;
    }
    if (TPDFDictionary* resources = AsDictionary(Resolved(value))) return resources;
    TPDFDictionary* fresh = Structure->NewDictionary();
    CurrentPageDict->SetValue("Resources", fresh);
    return fresh;
}

void TPDFPageTree::SetPageFont(const TPDFFont& font) {
    TPDFDictionary* resources = GetResources();
    if (!resources || !font.Reference) return;
    TPDFDictionary* fonts = AsDictionary(Resolved(resources->GetValue("Font")));
    if (!fonts) {
        fonts = Structure->NewDictionary();
        resources->SetValue("Font", fonts);
    }
    TPDFObject* present = fonts->GetValue(font.ResourceName);
    if (!present) {
        fonts->SetValue(font.ResourceName, font.Reference);
    } else if (present->Kind == kPDFKindIndRef &&
               !SameTarget(static_cast<TPDFIndRef*>(present), font.Reference)) {
        fonts->SetValue(font.ResourceName, font.Reference);
    }
}

std::int32_t TPDFPageTree::GetPageRefIndex(const TPDFIndRef* reference) {
    if (Root) {
        TPDFArray* kids = AsArray(Resolved(Root->GetValue("Kids")));
        if (kids && kids->GetCount() == GetPageCount())
            for (int i = 0; i < kids->GetCount(); ++i) {
                TPDFObject* item = kids->GetItem(i);
                if (item && item->Kind == kPDFKindIndRef && SameTarget(static_cast<TPDFIndRef*>(item), reference))
                    return i + 1;
            }
    }
    return OnPageNumberOfRef ? OnPageNumberOfRef(reference) : 0;
}

TPDFIndRef* TPDFPageTree::GetPageRef(std::int32_t n) {
    const std::int32_t number = CurrentRefNum;
    const std::int32_t generation = CurrentRefGen;
    TPDFIndRef* reference = CurrentRef;
    TPDFArray* kids = CurrentKids;
    TPDFDictionary* parent = CurrentParent;
    TPDFIndRef* result = GetPageDict(n) ? CurrentRef : nullptr;
    CurrentRefNum = number;
    CurrentRefGen = generation;
    CurrentRef = reference;
    CurrentKids = kids;
    CurrentParent = parent;
    return result;
}

}  // namespace parch
