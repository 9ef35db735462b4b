#include "pdf/core/ScrivletFileData.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Streams.h"
#include "platform/os/MappedFile.h"

namespace parch {

namespace {

constexpr std::size_t kBlock = 65536;

// The bytes of a source that cannot tell its size: kept in blocks, joined once at the end.
class BlockCollector {
public:
    bool Add(const char* bytes, std::size_t count, std::int64_t maxSize) {
        if (static_cast<std::int64_t>(size_ + count) > maxSize) return false;
        blocks_.emplace_back(bytes, count);
        size_ += count;
        return true;
    }
    std::size_t Size() const { return size_; }
    void JoinInto(char* out) const {
        for (const std::string& block : blocks_) {
            std::memcpy(out, block.data(), block.size());
            out += block.size();
        }
    }

private:
    std::vector<std::string> blocks_;
    std::size_t size_ = 0;
};

}  // namespace

TPDFFileData::TPDFFileData() = default;
TPDFFileData::~TPDFFileData() = default;
TPDFFileData::TPDFFileData(TPDFFileData&&) noexcept = default;
TPDFFileData& TPDFFileData::operator=(TPDFFileData&&) noexcept = default;

TPDFFileData TPDFFileData::FromBytes(std::string_view bytes) {
    TPDFFileData data;
    data.buffer_ = std::make_unique_for_overwrite<char[]>(bytes.size());
    if (!bytes.empty()) std::memcpy(data.buffer_.get(), bytes.data(), bytes.size());
    data.view_ = {data.buffer_.get(), bytes.size()};
    return data;
}

bool TPDFFileData::ReadFrom(TStream& stream, std::int64_t maxSize) {
    *this = TPDFFileData();
    bool tooLarge = false;
    if (MapFile(stream, maxSize, tooLarge)) return true;
    if (tooLarge) return false;
    if (ReadExactly(stream, maxSize)) return true;
    *this = TPDFFileData();
    return false;
}

// A file stream over a regular file is mapped from its position on, and the stream is left at
// the end as reading it would.
bool TPDFFileData::MapFile(TStream& stream, std::int64_t maxSize, bool& tooLarge) {
    const auto* file = dynamic_cast<const THandleStream*>(&stream);
    if (!file) return false;
    std::unique_ptr<MappedFile> mapped = MappedFile::Map(file->Handle());
    const std::int64_t position = stream.Seek(0, TSeekOrigin::soCurrent);
    if (!mapped || position < 0 || static_cast<std::uint64_t>(position) > mapped->Size()) return false;
    const std::size_t start = static_cast<std::size_t>(position);
    if (static_cast<std::int64_t>(mapped->Size() - start) > maxSize) {
        tooLarge = true;
        return false;
    }
    stream.Seek(0, TSeekOrigin::soEnd);
    view_ = mapped->View().substr(start);
    fileOffset_ = start;
    mapped_ = std::move(mapped);
    return true;
}

// One buffer of the size the stream announces; a stream that gives more (a pipe, a device, a
// size it cannot tell) is read in blocks up to the limit and joined once.
bool TPDFFileData::ReadExactly(TStream& stream, std::int64_t maxSize) {
    const std::int64_t position = stream.Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t end = position >= 0 ? stream.GetSize() : -1;
    const std::int64_t announced = end >= position && position >= 0 ? end - position : 0;
    if (announced > maxSize) return false;

    auto exact = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(announced));
    std::size_t got = 0;
    while (got < static_cast<std::size_t>(announced)) {
        const std::int64_t count = stream.Read(exact.get() + got, announced - static_cast<std::int64_t>(got));
        if (count <= 0) break;
        got += static_cast<std::size_t>(count);
    }
    char block[kBlock];
    std::int64_t count = stream.Read(block, sizeof block);
    if (count <= 0) {
        buffer_ = std::move(exact);
        view_ = {buffer_.get(), got};
        return true;
    }

    BlockCollector blocks;
    if (!blocks.Add(exact.get(), got, maxSize)) return false;
    exact.reset();
    for (; count > 0; count = stream.Read(block, sizeof block))
        if (!blocks.Add(block, static_cast<std::size_t>(count), maxSize)) return false;
    buffer_ = std::make_unique_for_overwrite<char[]>(blocks.Size());
    blocks.JoinInto(buffer_.get());
    view_ = {buffer_.get(), blocks.Size()};
    return true;
}

std::string TPDFFileData::Copy(std::size_t offset, std::size_t count) const {
    if (offset >= view_.size()) return {};
    count = std::min(count, view_.size() - offset);
    if (!mapped_) return std::string(view_.substr(offset, count));
    std::string bytes(count, '\0');
    bytes.resize(mapped_->ReadAt(fileOffset_ + offset, bytes.data(), count));
    return bytes;
}

void TPDFFileData::DropFront(std::size_t count) {
    count = std::min(count, view_.size());
    view_.remove_prefix(count);
    fileOffset_ += count;
}

}  // namespace parch
