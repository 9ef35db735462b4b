#pragma once
// Cross-reference sections: classic tables, cross-reference streams, hybrid files and /Prev
// chains of incremental updates, read newest first from a file held in memory. The reader knows
// nothing of the document; it reports entries, trailers and sections through callbacks.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace parch {

// One record of the document's entry table. A large file holds one per object, so the two
// fields serve both kinds: offset and generation of an object in the file, or number and index
// of the object stream that holds a compressed one.
struct TPDFXRefEntry {
    std::int32_t ObjNum = 0;
    std::int32_t First = 0;
    std::int32_t Second = 0;
    bool Compressed = false;
    bool InUse = false;  // in the table: a generation of 0 or more, and not removed

    std::int32_t Offset() const { return Compressed ? 0 : First; }
    std::int32_t Gen() const { return Compressed ? 0 : Second; }
    std::int32_t StreamObjNum() const { return Compressed ? First : 0; }
    std::int32_t StreamIndex() const { return Compressed ? Second : 0; }
};

class TPDFXRefReader {
public:
    // Sections beyond this many are not read: the chain is then taken as broken.
    static constexpr int kMaxSections = 65536;
    // Hybrid sections whose /XRefStm leads to further hybrid sections, this deep at most.
    static constexpr int kMaxNesting = 32;
    // How far after a section's offset its first line is still looked for: writers of
    // incremental updates leave blank lines and comments there, or count a few bytes short.
    static constexpr std::int64_t kSectionSearchWindow = 1024;
    // Candidate section starts tried in that window, at most.
    static constexpr int kMaxSectionCandidates = 16;

    // (object number, second field, third field, kind): kind 'n' gives offset and generation,
    // 'c' object stream number and index, 'f' a free entry, ' ' a stream entry of another type.
    using TEntryEvent = std::function<void(std::int32_t, std::int32_t, std::int32_t, char)>;
    using TTrailerEvent = std::function<void(const std::string&)>;
    // The section's offset before it is read; the negated offset when reading it failed. A
    // section found some way after its offset is reported as failed at the offset and read
    // where it starts.
    using TSectionEvent = std::function<void(std::int64_t)>;
    // How many entries a section is about to report at most, so that a table can be sized once.
    using TEntryCountEvent = std::function<void(std::int64_t)>;

    explicit TPDFXRefReader(std::string_view data)
        : data_(data), size_(static_cast<std::int64_t>(data.size())) {}
    // Reads from the last bytes of a larger file only: `tail` holds the file's bytes from
    // `tailStart` to its end. Whatever lies before them reads as absent and is noted, so that
    // the caller can read again over the whole file (ReachedBeforeTail).
    TPDFXRefReader(std::string_view tail, std::int64_t tailStart)
        : data_(tail), base_(tailStart), size_(tailStart + static_cast<std::int64_t>(tail.size())) {}

    // True when some read needed bytes before the tail this reader was given: its results
    // are then not those of the whole file.
    bool ReachedBeforeTail() const { return reachedBeforeTail_; }

    // Count bytes from Start, cut at both ends of the data.
    std::string_view ReadBytes(std::int64_t start, std::int64_t count) const;
    // The offset named after the last "startxref", 0 when there is none.
    std::int64_t FindXRefOffset() const;
    // Reads the section at Offset and, through /Prev and /XRefStm, every older one; true when
    // the chain was read to its end. A section already read ends the chain.
    bool ReadXRefAt(std::int64_t offset);

    TEntryEvent OnEntry;
    TTrailerEvent OnTrailer;
    TSectionEvent OnSection;
    TEntryCountEvent OnEntryCount;

private:
    // The section whose keyword lies within a few bytes of Offset; `tried` is where its data
    // began to be read (-1 when no keyword was there).
    bool ReadSectionNear(std::int64_t offset, std::int64_t& previous, std::int64_t& tried);
    // The first section that reads among the lines starting within kSectionSearchWindow bytes
    // after Offset, skipping blanks, comments and the start `tried` already gave.
    // `found` is where the section's first line starts.
    bool ReadSectionAhead(std::int64_t offset, std::int64_t tried, std::int64_t& previous, std::int64_t& found);
    // Each reads one section and gives its /Prev, or leaves `previous` at -1.
    bool ReadXRefTable(std::int64_t position, std::int64_t& previous);
    bool ReadXRefStream(std::int64_t position, std::int64_t& previous);
    std::int64_t FindBackwards(std::string_view pattern, std::int64_t before) const;
    std::int64_t FindForwards(std::string_view pattern, std::int64_t from) const;
    // The byte at a file offset; 0 outside the data.
    char ByteAt(std::int64_t offset) const;
    // Skips blanks to a digit and takes the run of digits; -1 when there is none.
    std::int64_t NextNumber(std::int64_t& p) const;

    std::string_view data_;
    std::int64_t base_ = 0;  // file offset of data_'s first byte
    std::int64_t size_ = 0;  // of the file
    mutable bool reachedBeforeTail_ = false;
    std::set<std::int64_t> visited_;
    // Where the data of each section read began: the search ahead of an offset that is off
    // does not take a section already read for an older one.
    std::set<std::int64_t> sectionsRead_;
    int nesting_ = 0;
};

}  // namespace parch
