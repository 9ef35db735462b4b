#pragma once
// The pages of one document by number: the page count, the page dictionary of page n (a fast
// path for flat trees, a walk otherwise), the current page with its content streams ready for
// writing, its resources and font entries.

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace parch {

class TPDFAnnots;
class TPDFArray;
class TPDFDictionary;
class TPDFFont;
class TPDFIndRef;
class TPDFObject;
class TPDFPainter;
class TPDFStream;
class TPDFStructure;

class TPDFPageTree {
public:
    // Page trees nest far less than this; deeper nesting is a loop or damage.
    static constexpr int kMaxTreeDepth = 64;
    // A content stream this long gets a fresh stream after it for new content.
    static constexpr std::size_t kMaxMarkedStreamSize = 500000;

    // `pages` may be nil: a tree without pages.
    explicit TPDFPageTree(TPDFDictionary* pages);
    ~TPDFPageTree();
    TPDFPageTree(const TPDFPageTree&) = delete;
    TPDFPageTree& operator=(const TPDFPageTree&) = delete;

    // The root's /Count when it can be right; else the page leaves counted, as a file whose
    // /Count is missing, negative, no number or above the objects it holds still has its
    // pages. A root that is itself a page counts 1; no root, 0.
    std::int32_t GetPageCount() const;
    // Page n counted from 1, nil when there is none.
    TPDFDictionary* GetPageDict(std::int32_t n);
    void SelectPage(std::int32_t n);
    TPDFDictionary* GetResources();
    void SetPageFont(const TPDFFont& font);
    std::int32_t GetPageRefIndex(const TPDFIndRef* reference);
    // The reference of page n; the current look-up state is left as it was.
    TPDFIndRef* GetPageRef(std::int32_t n);

    std::int32_t CurrentRefNum = 0;
    std::int32_t CurrentRefGen = 0;
    TPDFIndRef* CurrentRef = nullptr;
    TPDFArray* CurrentKids = nullptr;
    std::int32_t ContentCount = 0;
    TPDFStructure* Structure = nullptr;
    TPDFDictionary* Root = nullptr;
    std::int32_t CurrentPage = 0;
    TPDFDictionary* CurrentParent = nullptr;
    TPDFDictionary* CurrentPageDict = nullptr;
    std::vector<TPDFStream*> ContentStreams;
    std::unique_ptr<TPDFPainter> Painter;
    std::function<void(TPDFDictionary*)> OnPageSelected;
    std::function<void(std::int32_t)> OnLoadObject;
    std::function<void(std::int32_t, std::int32_t)> OnRemoveObject;
    std::function<std::int32_t(const TPDFIndRef*)> OnPageNumberOfRef;
    // How many indirect objects the document holds: no tree has more page leaves, so a /Count
    // above it is false. Unassigned: counts are not bounded that way.
    std::function<std::size_t()> OnObjectCount;
    bool PageSelected = false;
    std::unique_ptr<TPDFAnnots> Annots;
    // Only pages actually found are kept, so a false /Count costs nothing.
    std::unordered_map<std::int32_t, TPDFDictionary*> PageCache;

private:
    // A node's /Count when plausible (see GetPageCount), else the leaves under it.
    std::int32_t NodeCount(TPDFDictionary* node) const;
    std::int32_t CountLeaves(TPDFArray* kids, int depth, std::unordered_set<const TPDFObject*>& visited) const;
    bool RootIsPage() const;
    TPDFDictionary* WalkKids(TPDFArray* kids, std::int32_t n, std::int32_t& passed, int depth,
                             std::unordered_set<const TPDFObject*>& visited);
    void RememberRef(TPDFIndRef* reference, TPDFArray* kids);
    TPDFStream* NewMarkedStream();
    TPDFIndRef* NewIndirectRef(TPDFObject* object);
    void FlushPainter();

    // Leaves counted for nodes whose /Count is false, once: pages are never added to a tree
    // read from a file.
    mutable std::unordered_map<const TPDFDictionary*, std::int32_t> countedLeaves_;
};

}  // namespace parch
